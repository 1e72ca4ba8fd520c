#pragma once

#include "base/FileNameRule.h"
#include "widgets/Prompter.h"

#include <QStringList>

#include <functional>

// The save dialog of every export and of the backup. The dialog only gives a name; this applies
// the extension rule to it first and then speaks about the file that will be written: the
// working database and the export's own sources are refused with a message, an existing file
// is replaced only when the user says "是" to the question naming it. After a refusal or "否"
// the dialog opens again on that name. The final name, or empty text when the user cancelled.
QString ChooseSaveFile(FileDialogOptions dialog, const FileNameRule& rule, const QStringList& sources = {});
// The same for a dialog of several filters whose extensions differ: the rule of the filter the
// user chose (its index from 0) applies.
QString ChooseSaveFile(FileDialogOptions dialog, const std::function<FileNameRule(int filter)>& ruleOfFilter,
                       const QStringList& sources = {});

// The question asked before an existing file is replaced, and its caption.
QString ReplaceFileQuestion(const QString& path);
QString ReplaceFileCaption();
