// The main window's actions, its navigation bar and its menus.
#include "app/Main.h"

#include "app/NavigationBar.h"
#include "db/DbError.h"
#include "entry/dlgSurveyData.h"
#include "exchange/dlgExpected.h"
#include "exchange/dlgReceipts.h"
#include "logic/dlgCompare.h"
#include "summary/GroupExchange.h"
#include "summary/dlgGroupList.h"
#include "summary/dlgSaveList.h"
#include "summary/dlgSum.h"
#include "widgets/Application.h"
#include "widgets/Prompter.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QStyle>

QAction* TMainForm::makeAction(const QString& caption, int icon, const std::function<void()>& work)
{
    auto* a = new QAction(style()->standardIcon(QStyle::StandardPixmap(icon)), caption, this);
    connect(a, &QAction::triggered, this, Handled(work));
    m_actions.insert(caption, a);
    return a;
}

void TMainForm::buildActions()
{
    makeAction(QStringLiteral("添加新记录"), QStyle::SP_FileIcon, [this] { actAddExecute(); });
    makeAction(QStringLiteral("修改选中的记录"), QStyle::SP_FileDialogDetailedView, [this] { actEditExecute(); });
    makeAction(QStringLiteral("删除记录"), QStyle::SP_TrashIcon, [this] { actDeleteExecute(); });
    makeAction(QStringLiteral("检查数据的逻辑"), QStyle::SP_DialogApplyButton, [this] { actCheckExecute(); });
    makeAction(QStringLiteral("指标查询"), QStyle::SP_FileDialogContentsView, [this] { actDataSearchExecute(); });
    makeAction(QStringLiteral("数据汇总"), QStyle::SP_FileDialogListView, [this] {
        TdlgSumForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("数据分组"), QStyle::SP_DirIcon, [this] {
        TdlgGroupListForm dialog(this);
        dialog.groupingTables = GroupingTableNames();
        dialog.exec();
    });
    makeAction(QStringLiteral("导出数据列表"), QStyle::SP_DialogSaveButton, [this] {
        TdlgSaveListForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("打印选中记录的年报表"), QStyle::SP_ComputerIcon, [this] { actPrintExecute(); });
    makeAction(QStringLiteral("数据导入"), QStyle::SP_ArrowDown, [this] { actFastImportExecute(); });
    makeAction(QStringLiteral("数据备份"), QStyle::SP_DriveHDIcon, [this] { actBackupExecute(); });
    makeAction(QStringLiteral("查看并导入数据包"), QStyle::SP_FileDialogContentsView, [this] { actPackagePreviewExecute(); });
    makeAction(QStringLiteral("上报到离线版"), QStyle::SP_ArrowUp, [this] { actExportExecute(); });
    makeAction(QStringLiteral("上报到网络版"), QStyle::SP_DriveNetIcon, [this] { actExportCSVExecute(); });
    makeAction(QStringLiteral("应报单位名单"), QStyle::SP_FileDialogListView, [this] {
        TdlgExpectedForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("收报情况"), QStyle::SP_FileDialogInfoView, [this] {
        TdlgReceiptsForm dialog(this);
        dialog.exec();
    });
    makeAction(QStringLiteral("压缩数据库文件"), QStyle::SP_BrowserReload, [this] { actCompactExecute(); });
    makeAction(QStringLiteral("参数设置"), QStyle::SP_FileDialogInfoView, [this] { actOptionExecute(); });
    makeAction(QStringLiteral("自定义列表显示"), QStyle::SP_FileDialogListView, [this] { actShowExecute(); });
    makeAction(QStringLiteral("按条件查找定位数据"), QStyle::SP_FileDialogContentsView, [this] { actLocateExecute(); });
    makeAction(QStringLiteral("按编号范围查找数据"), QStyle::SP_FileDialogContentsView, [this] { actSearchExecute(); });
    makeAction(QStringLiteral("检查选中数据的逻辑"), QStyle::SP_DialogApplyButton, [this] { CheckSelectedRecords(); });
    makeAction(QStringLiteral("与上年数据比对"), QStyle::SP_FileDialogContentsView, [this] {
        TdlgCompareForm dialog([this]() -> TdlgSurveyDataForm& { return surveyDataForm(); }, [this] { keepPosition(); },
                               this);
        dialog.exec();
    });
    makeAction(QStringLiteral("关于"), QStyle::SP_MessageBoxInformation, [this] { actAboutExecute(); });
    makeAction(QStringLiteral("退出"), QStyle::SP_DialogCloseButton, [this] { close(); });
}

void TMainForm::buildNavigation()
{
    const int data = m_navigation->addGroup(QStringLiteral("数据操作"), false);
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录", "检查数据的逻辑", "指标查询", "数据汇总",
                          "数据分组", "导出数据列表", "打印选中记录的年报表"})
        m_navigation->addItem(data, action(QString::fromUtf8(c)));
    const int exchange = m_navigation->addGroup(QStringLiteral("备份与上报"), false);
    for (const char* c : {"数据导入", "查看并导入数据包", "数据备份", "上报到离线版", "上报到网络版"})
        m_navigation->addItem(exchange, action(QString::fromUtf8(c)));
    // Who has reported: the office above's list and picture.
    m_navigation->addItem(exchange, action(QStringLiteral("应报单位名单")));
    m_navigation->addItem(exchange, action(QStringLiteral("收报情况")));
    const int tools = m_navigation->addGroup(QStringLiteral("系统工具"), true);
    for (const char* c : {"压缩数据库文件", "参数设置", "自定义列表显示"})
        m_navigation->addItem(tools, action(QString::fromUtf8(c)));
}

void TMainForm::buildMenus()
{
    auto add = [this](QMenu* menu, const char* caption) { menu->addAction(action(QString::fromUtf8(caption))); };
    QMenu* records = menuBar()->addMenu(QStringLiteral("数据记录"));
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录", "打印选中记录的年报表"})
        add(records, c);
    QMenu* find = menuBar()->addMenu(QStringLiteral("查找"));
    add(find, "按条件查找定位数据");
    add(find, "按编号范围查找数据");
    QMenu* check = menuBar()->addMenu(QStringLiteral("逻辑检查"));
    add(check, "检查选中数据的逻辑");
    add(check, "检查数据的逻辑");
    add(check, "与上年数据比对");
    QMenu* process = menuBar()->addMenu(QStringLiteral("数据处理"));
    add(process, "数据分组");
    add(process, "数据汇总");
    add(process, "查看并导入数据包");
    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具"));
    for (const char* c : {"参数设置", "压缩数据库文件", "自定义列表显示"})
        add(tools, c);
    QMenu* receipts = menuBar()->addMenu(QStringLiteral("收报"));
    add(receipts, "应报单位名单");
    add(receipts, "收报情况");
    // The menu bar shows these two as words; the icons stay with the other places.
    menuBar()->addAction(QStringLiteral("关于"), this, [this] { actAboutExecute(); });
    menuBar()->addAction(QStringLiteral("退出"), this, [this] { close(); });

    m_contextMenu = new QMenu(this);
    for (const char* c : {"添加新记录", "修改选中的记录", "删除记录"})
        add(m_contextMenu, c);
    m_contextMenu->addSeparator();
    add(m_contextMenu, "按条件查找定位数据");
    add(m_contextMenu, "按编号范围查找数据");
    m_contextMenu->addSeparator();
    add(m_contextMenu, "检查选中数据的逻辑");
    m_contextMenu->addSeparator();
    add(m_contextMenu, "自定义列表显示");
    add(m_contextMenu, "打印选中记录的年报表");
}

void TMainForm::updateActions()
{
    const bool notEmpty = m_reportQuery.isOpen() && !m_reportQuery.isEmpty();
    for (const char* c : {"修改选中的记录", "删除记录", "打印选中记录的年报表", "按条件查找定位数据", "按编号范围查找数据"})
        action(QString::fromUtf8(c))->setEnabled(notEmpty);
    action(QStringLiteral("自定义列表显示"))->setEnabled(m_showGrid);
}
