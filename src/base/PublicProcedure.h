#pragma once

#include <QString>

// Copies a file whole, replacing the target; returns false with the reason in *error. The
// copy is written beside the target and renamed over it, so the target is complete or untouched.
bool CopyFileContents(const QString& source, const QString& target, QString* error = nullptr);
