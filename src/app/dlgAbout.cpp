#include "app/dlgAbout.h"

#include "widgets/Prompter.h"
#include "db/DbError.h"
#include "db/WorkingDatabase.h"

#include <QApplication>
#include <QDir>
#include <QGraphicsDropShadowEffect>
#include <QLabel>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

TdlgAboutForm::TdlgAboutForm(int buildNumber, std::function<void()> markAllPassed, QWidget* parent)
    : QDialog(parent, Qt::FramelessWindowHint | Qt::Dialog), m_markAllPassed(std::move(markAllPassed))
{
    setFixedSize(550, 300);
    NameLabel = new QLabel(QStringLiteral("Tallyra"), this);
    QFont nameFont(QStringLiteral("黑体"));
    nameFont.setPixelSize(29);
    nameFont.setBold(true);
    NameLabel->setFont(nameFont);
    NameLabel->setStyleSheet(QStringLiteral("color: rgb(128,0,0);"));
    auto* shadow = new QGraphicsDropShadowEffect(NameLabel);
    shadow->setOffset(2, 2);
    shadow->setBlurRadius(3);
    shadow->setColor(QColor(0, 0, 0, 110));
    NameLabel->setGraphicsEffect(shadow);
    NameLabel->move(40, 60);
    NameLabel->adjustSize();
    NameLabel->installEventFilter(this);

    auto* maker = new QLabel(QStringLiteral("开发单位：Morvane"), this);
    maker->move(44, 150);
    maker->adjustSize();
    VersionLabel = new QLabel(QStringLiteral("版本：1.0 (Build %1)").arg(buildNumber), this);
    VersionLabel->move(44, 176);
    VersionLabel->adjustSize();
    // Where the clerk's data is: installed, that is the user's data folder, not the program's.
    const QString databasePath = QDir::toNativeSeparators(CurrentDatabasePath);
    PathLabel = new QLabel(this);
    PathLabel->setGeometry(44, 202, 470, 20);
    PathLabel->setText(PathLabel->fontMetrics().elidedText(QStringLiteral("工作数据库：") + databasePath,
                                                           Qt::ElideMiddle, PathLabel->width()));
    PathLabel->setToolTip(databasePath);

    RzProgressBar1 = new QProgressBar(this);
    RzProgressBar1->setRange(0, 100);
    RzProgressBar1->setValue(0);
    RzProgressBar1->setTextVisible(false);
    RzProgressBar1->setGeometry(40, 250, 470, 14);
    RzProgressBar1->hide();
    Timer1 = new QTimer(this);
    Timer1->setInterval(40);
    connect(Timer1, &QTimer::timeout, this, &TdlgAboutForm::tick);

    if (const QScreen* screen = QApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

void TdlgAboutForm::StartSplash()
{
    RzProgressBar1->show();
    Timer1->start();
}

void TdlgAboutForm::tick()
{
    RzProgressBar1->setValue(qMin(100, RzProgressBar1->value() + 2));
    if (RzProgressBar1->value() >= 100) {
        Timer1->stop();
        accept();
    }
}

void TdlgAboutForm::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    QLinearGradient g(0, 0, width(), height());
    g.setColorAt(0, QColor(250, 246, 232));
    g.setColorAt(0.6, QColor(221, 232, 250));
    g.setColorAt(1, QColor(160, 190, 238));
    p.fillRect(rect(), g);
    p.setPen(QColor(128, 0, 0, 90));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(QColor(60, 80, 130));
    QFont f = font();
    f.setPixelSize(15);
    p.setFont(f);
    p.drawText(QRect(40, 100, 470, 30), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("基层以上工会调查数据处理系统"));
}

void TdlgAboutForm::mousePressEvent(QMouseEvent*)
{
    accept();
}

bool TdlgAboutForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == NameLabel && event->type() == QEvent::MouseButtonDblClick) {
        const Qt::KeyboardModifiers mods = static_cast<QMouseEvent*>(event)->modifiers();
        const bool gesture = (mods & Qt::ControlModifier) && (mods & Qt::AltModifier) && !(mods & Qt::ShiftModifier);
        if (gesture && m_markAllPassed) {
            try {
                m_markAllPassed();
            } catch (const DbError& e) {
                CurrentPrompter().message(e.message());
                return true; // the box stays open
            }
            accept();
        }
        return true; // any other double click on the name does nothing
    }
    // A click on the name is not a click on the background: it does not close the box.
    if (watched == NameLabel && event->type() == QEvent::MouseButtonPress)
        return true;
    return QDialog::eventFilter(watched, event);
}
