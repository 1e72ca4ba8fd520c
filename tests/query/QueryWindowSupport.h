#pragma once

#include "db/Connection.h"
#include "db/WorkingDatabase.h"
#include "widgets/ScriptedPrompter.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>
#include <gtest/gtest.h>

// Runs the work on the next modal window of type T once it shows (modal windows block the test).
// The watch ends with the returned guard, so a window that never came cannot reach into a later test.
class ModalWatch {
public:
    explicit ModalWatch(QTimer* timer) : m_timer(timer) {}
    ModalWatch(ModalWatch&&) = default;
    ~ModalWatch() { delete m_timer.data(); }

private:
    QPointer<QTimer> m_timer;
};

template <class T>
[[nodiscard]] ModalWatch OnModal(std::function<void(T&)> work)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, work] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            work(*window);
        }
    });
    timer->start();
    return ModalWatch(timer);
}

// The working database with returns 110101000001.. named 工会1.., z001 = 10 * i.
class QueryWindowTest : public ::testing::Test {
protected:
    TestEnvironment env;
    ScriptedPrompter prompter;

    void SetUp() override { ASSERT_EQ(OpenWorkingDatabase().status, OpenDatabaseResult::Opened); }
    void addReturns(int count, const char* namePattern = "工会%1")
    {
        for (int i = 1; i <= count; ++i)
            SysConnection().execute(
                "insert into dt_data (c901, c902, c903, c904, c905, c906, c907, RecordState, z001) "
                "values (?1, ?2, 110101, 3, '张伟', '010-1', 1, 1, ?3)",
                {qlonglong(110101000000LL + i), QString::fromUtf8(namePattern).arg(i), 10 * i});
    }
    qint64 count() { return SysConnection().scalar("select count(*) from dt_data").toLongLong(); }
    QStringList codes()
    {
        QStringList list;
        RowSet rows = SysConnection().query("select c901 from dt_data order by c901");
        for (rows.first(); !rows.eof(); rows.next())
            list << rows.text("c901");
        return list;
    }
};
