// Form1's construction and the default (real) platform members.
#include "app/form1.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QEventLoop>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLayout>
#include <QMessageBox>
#include <QTime>
#include <QTimer>
#include <algorithm>
#include <chrono>

#include "app/startup_marks.h"
#include "app/system_files.h"
#include "view/board_view.h"
#include "view/face.h"

namespace {
// What a window manager's title bar needs beside the title itself: the window
// icon, the iconify, maximize and close buttons and their padding.
constexpr int kTitleBarRoom = 120;
// Title bars write their titles in a bold face, often larger than the
// window's own text.
constexpr int kTitlePointSize = 11;

// The window's message box. A Yes/No box has no cancel: Esc and the title
// bar's close leave it open, and only はい or いいえ answer it (their buttons,
// or the keys Y and N).
class MessageBox : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void keyPressEvent(QKeyEvent* e) override {
        if (yes_no()) {
            if (e->key() == Qt::Key_Escape) return;
            const bool plain = (e->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
            if (plain && (e->key() == Qt::Key_Y || e->key() == Qt::Key_N)) {
                button(e->key() == Qt::Key_Y ? QMessageBox::Yes : QMessageBox::No)->click();
                return;
            }
        }
        QMessageBox::keyPressEvent(e);
    }
    void closeEvent(QCloseEvent* e) override {
        if (yes_no()) {
            e->ignore();
            return;
        }
        QMessageBox::closeEvent(e);
    }

private:
    bool yes_no() const { return button(QMessageBox::Yes) && button(QMessageBox::No); }
};

// Makes the box wide enough for its whole title in a window manager's title
// bar: the button row, which spans the box, is given the width.
void 確保_題名幅(QMessageBox& box) {
    QFont font = QApplication::font();
    font.setBold(true);
    if (font.pointSizeF() < kTitlePointSize) font.setPointSizeF(kTitlePointSize);
    const int need = QFontMetrics(font).horizontalAdvance(box.windowTitle()) + kTitleBarRoom;
    auto* row = box.findChild<QDialogButtonBox*>();
    QLayout* layout = box.layout();
    if (!row || !layout) return;
    const QMargins outer = box.contentsMargins(), inner = layout->contentsMargins();
    const int beside = outer.left() + outer.right() + inner.left() + inner.right();
    row->setMinimumWidth(std::max(row->minimumSizeHint().width(), need - beside));
}

int real_message_box(QWidget* parent, const QString& text, const QString& title, int buttons, int icon) {
    QString shown = text;
    shown.replace("\r\n", "\n").replace('\r', '\n');
    // An empty title would show the program's name: a blank shows nothing.
    MessageBox box(icon == MB_ICONWARNING ? QMessageBox::Warning : QMessageBox::NoIcon,
                   title.isEmpty() ? QStringLiteral(" ") : title, shown,
                   buttons == MB_YESNO ? (QMessageBox::Yes | QMessageBox::No) : QMessageBox::Ok, parent);
    // The captions are the program's own, whatever the desktop's language.
    if (QAbstractButton* yes = box.button(QMessageBox::Yes)) yes->setText(QStringLiteral("はい"));
    if (QAbstractButton* no = box.button(QMessageBox::No)) no->setText(QStringLiteral("いいえ"));
    if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setText(QStringLiteral("OK"));
    if (buttons == MB_YESNO) box.setDefaultButton(QMessageBox::Yes);
    確保_題名幅(box);
    const int r = box.exec();
    if (r == QMessageBox::Yes) return ID_YES;
    if (r == QMessageBox::No) return ID_NO;
    return ID_OK;
}
}  // namespace

Form1::Form1(QWidget* parent) : QMainWindow(parent), module1(*this) {
    setWindowTitle("Velmora");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);

    msgbox = [this](const QString& text, const QString& title, int buttons, int icon) {
        return real_message_box(this, text, title, buttons, icon);
    };
    day_clock = 作成_日時計([] { return QTime::currentTime().msecsSinceStartOfDay() / 1000.0; },
                            [] {
                                using namespace std::chrono;
                                return duration<double>(steady_clock::now().time_since_epoch()).count();
                            });
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
    view->setFocus();

    Timer1 = new QTimer(this);
    Timer1->setInterval(50);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1_Timer(); });

    text_font = QFont(書体_文字());
    text_font.setPointSize(9);

    startup_marks::mark("Form1: window, timer");
    作成_メニュー();
    startup_marks::mark("Form1: menus");
    準備_画面(devicePixelRatioF());
    startup_marks::mark("Form1: canvas and pictures");
}

Form1::~Form1() = default;

int Form1::MsgBox(const QString& text, const QString& title, int buttons, int icon) {
    return msgbox(text, title, buttons, icon);
}
