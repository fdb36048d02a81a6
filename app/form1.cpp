// Form1's construction and the default (real) platform members.
#include "app/form1.h"

#include "app/system_files.h"
#include "view/board_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QMessageBox>
#include <QTime>
#include <QTimer>

namespace {
int real_message_box(QWidget* parent, const QString& text, const QString& title, int buttons, int icon) {
    QString shown = text;
    shown.replace("\r\n", "\n").replace('\r', '\n');
    QMessageBox box(icon == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon, title, shown,
                    buttons == MB_YESNO ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    // The captions are the program's own, whatever the desktop's language.
    if (QAbstractButton* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("はい"));
    if (QAbstractButton* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("いいえ"));
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("OK"));
    const int r = box.exec();
    if (r == QMessageBox::Yes) return ID_YES;
    if (r == QMessageBox::No) return ID_NO;
    return ID_OK;
}
}  // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent), module1(*this) {
    setWindowTitle("Velmora");

    msgbox = [this](const QString& text, const QString& title, int buttons, int icon) {
        return real_message_box(this, text, title, buttons, icon);
    };
    day_clock = [] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; };
    idle = [](int ms) {
        // Paint and timer events go on; presses and keys wait until afterwards.
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    };
    refresh = [this] {
        if (view) view->repaint();
    };
    quit_program = [] { QCoreApplication::quit(); };
    settings_writable = [](const QString& path) { return QFileInfo(path).isWritable(); };
    // The same writer as the record files', straight through the system calls.
    settings_save = [](const QString& path, const QByteArray& bytes) {
        return system_files::書込_置換(path, bytes) == 0;
    };

    view = new BoardView(*this, this);
    setCentralWidget(view);

    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    text_font = QFont("IPAPMincho");
    text_font.setPointSize(9);

    作成_メニュー();
    作成_パネル();
    準備_画面(devicePixelRatioF());
}

Form1::~Form1() = default;

int Form1::MsgBox(const QString& text, const QString& title, int buttons, int icon) {
    return msgbox(text, title, buttons, icon);
}
