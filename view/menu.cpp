// The menu tree and the record-file panel.
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOption>
#include <functional>

#include "app/form1.h"
#include "view/board_view.h"

namespace {
// Panel geometry in twips: left, top, width, height.
struct TwipRect {
    int left, top, width, height;
};
// At the canvas's scale, from its corner (logical pixels of the client area).
QRect to_pixels(const TwipRect& r, qreal scale, QPointF corner) {
    const qreal k = scale / Form1::TWIPS_PER_PIXEL;
    return QRect(qRound(corner.x() + r.left * k), qRound(corner.y() + r.top * k), qRound(r.width * k),
                 qRound(r.height * k));
}
constexpr TwipRect kDrive1{240, 360, 2535, 300};
constexpr TwipRect kDir1{240, 600, 2535, 1710};
constexpr TwipRect kFile1{240, 2280, 2535, 930};
// Label1(0) .. Label1(3), from the bottom field up.
constexpr TwipRect kLabel1[4] = {
    {120, 3120, 855, 255}, {120, 2880, 855, 255}, {120, 2640, 855, 255}, {120, 2400, 855, 255}};
constexpr TwipRect kText1{960, 3120, 2295, 270};
constexpr TwipRect kText2{960, 2400, 2295, 270};
constexpr TwipRect kText3{960, 2640, 2295, 270};
constexpr TwipRect kText4{960, 2880, 2295, 270};
constexpr TwipRect kCommand1{3360, 3000, 855, 375};
// The panel's text size: 9 points at 96 dpi.
constexpr int kPanelFontPixels = 12;
const char* const kLabelCaptions[4] = {"ﾌｧｲﾙ名 ：", "後    手 ：", "先    手 ：", "対 局 名："};

// While the keyboard is on the menu bar (after Alt or F10, or after Esc closed
// one of its menus) its current item is drawn as an open one, so the user sees
// where the arrows are; some styles draw it no differently from the others.
class KeyboardMenuBarStyle : public QProxyStyle {
public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuBarItem && widget && widget->hasFocus() && (option->state & State_Selected)) {
            if (const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option)) {
                QStyleOptionMenuItem shown = *item;
                shown.state |= State_Sunken;
                QProxyStyle::drawControl(element, &shown, painter, widget);
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

// The menu bar that F10 gives the keyboard to: it keeps the keys while the
// arrows walk from menu to command and on round the bar, and gives them back
// where they came from when Esc, or a command run with Return, leaves it.
class GameMenuBar : public QMenuBar {
public:
    explicit GameMenuBar(QWidget* parent) : QMenuBar(parent) {
        // A command chosen in one of the menus ends the walk too.
        connect(this, &QMenuBar::triggered, this, [this] { give_back(); });
    }
    void take_keys(QWidget* from) {
        if (from != this) back_ = from;
        setFocus(Qt::MenuBarFocusReason);
    }

protected:
    void keyPressEvent(QKeyEvent* e) override {
        QMenuBar::keyPressEvent(e);
        const int k = e->key();
        const bool leaves =
            k == Qt::Key_Escape || ((k == Qt::Key_Return || k == Qt::Key_Enter || k == Qt::Key_Space) &&
                                    !(activeAction() && activeAction()->menu()));
        if (leaves) give_back();
    }

private:
    void give_back() {
        if (window()->focusWidget() == this && back_) back_->setFocus(Qt::MenuBarFocusReason);
    }
    QPointer<QWidget> back_;
};

// Return and keypad Enter on a control do what `act` does.
class ReturnKey : public QObject {
public:
    ReturnKey(QObject* parent, std::function<void()> act) : QObject(parent), act_(std::move(act)) {}
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(e)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                act_();
                return true;
            }
        }
        return QObject::eventFilter(watched, e);
    }

private:
    std::function<void()> act_;
};
}  // namespace

void Form1::作成_メニュー() {
    auto* bar = new GameMenuBar(this);
    setMenuBar(bar);
    auto item = [this](QMenu* parent, const char* caption, void (Form1::*handler)(), bool checkable = false) {
        QAction* a = parent->addAction(QString::fromUtf8(caption));
        a->setCheckable(checkable);
        // A checkable item keeps its tick under the program's control only.
        connect(a, &QAction::triggered, this, [this, a, handler, checkable] {
            if (checkable) a->setChecked(!a->isChecked());
            (this->*handler)();
        });
        return a;
    };
    auto bar_item = [this, bar](const char* caption, void (Form1::*handler)()) {
        QAction* a = bar->addAction(QString::fromUtf8(caption));
        connect(a, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return a;
    };

    mnu.TAIKYOKU = bar->addMenu(QStringLiteral("対局"));
    connect(mnu.TAIKYOKU, &QMenu::aboutToShow, this, [this] { TAIKYOKU_Click(); });
    mnu.MATCH_MAN = mnu.TAIKYOKU->addMenu(QStringLiteral("対局(人間)"));
    mnu.START = item(mnu.MATCH_MAN, "スタート", &Form1::START_Click);
    mnu.START2 = mnu.TAIKYOKU->addMenu(QStringLiteral("対局(COM)"));
    mnu.SENTE = item(mnu.START2, "先手", &Form1::SENTE_Click);
    mnu.GOTE = item(mnu.START2, "後手", &Form1::GOTE_Click);
    mnu.LEVEL = mnu.TAIKYOKU->addMenu(QStringLiteral("COM対局ﾚﾍﾞﾙ"));
    mnu.LEVEL1 = item(mnu.LEVEL, "LEVEL1", &Form1::LEVEL1_Click, true);
    mnu.LEVEL2 = item(mnu.LEVEL, "LEVEL2", &Form1::LEVEL2_Click, true);
    mnu.LEVEL3 = item(mnu.LEVEL, "LEVEL3", &Form1::LEVEL3_Click, true);
    mnu.LEVEL3->setChecked(true);
    mnu.OWARI = item(mnu.TAIKYOKU, "終わり", &Form1::OWARI_Click);

    mnu.STOP = bar->addMenu(QStringLiteral("局面"));
    connect(mnu.STOP, &QMenu::aboutToShow, this, [this] { STOP_Click(); });
    mnu.CANCEL = item(mnu.STOP, "最初", &Form1::CANCEL_Click);
    mnu.REVERSE = item(mnu.STOP, "反転", &Form1::REVERSE_Click);

    mnu.REPLAY = bar_item("戻", &Form1::REPLAY_Click);
    mnu.AFTER = bar_item("進", &Form1::AFTER_Click);
    mnu.LBEL_UP = bar_item("△", &Form1::LBEL_UP_Click);
    mnu.LEBEL_DOWN = bar_item("▽", &Form1::LEBEL_DOWN_Click);
    // One glyph says little aloud: a screen reader reads these words with it.
    設定_コマンド説明(mnu.REPLAY, QStringLiteral("一手戻す"));
    設定_コマンド説明(mnu.AFTER, QStringLiteral("一手進める"));
    設定_コマンド説明(mnu.LBEL_UP, QStringLiteral("ハンディキャップを上げる"));
    設定_コマンド説明(mnu.LEBEL_DOWN, QStringLiteral("ハンディキャップを下げる"));

    mnu.KIFU = bar->addMenu(QStringLiteral("棋譜"));
    mnu.KIFU_READ = item(mnu.KIFU, "読込", &Form1::KIFU_READ_Click);
    mnu.KIFU_WRITE = item(mnu.KIFU, "書込", &Form1::KIFU_WRITE_Click);

    mnu.OPTION = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    connect(mnu.OPTION, &QMenu::aboutToShow, this, [this] { OPTION_Click(); });
    mnu.HAIKEI_GA = mnu.OPTION->addMenu(QStringLiteral("背景画"));
    mnu.MIDORI = item(mnu.HAIKEI_GA, "労働", &Form1::MIDORI_Click, true);
    mnu.TATAMI = item(mnu.HAIKEI_GA, "畳", &Form1::TATAMI_Click, true);
    mnu.TAKE = item(mnu.HAIKEI_GA, "竹", &Form1::TAKE_Click, true);
    mnu.UCHU = item(mnu.HAIKEI_GA, "宇宙", &Form1::UCHU_Click, true);
    mnu.RENGA = item(mnu.HAIKEI_GA, "煉瓦", &Form1::RENGA_Click, true);
    mnu.TATAMI->setChecked(true);
    mnu.SIDOU = item(mnu.OPTION, "移動指導", &Form1::SIDOU_Click, true);
    mnu.KEIKA = item(mnu.OPTION, "経過時間", &Form1::KEIKA_Click, true);
    mnu.BGM = item(mnu.OPTION, "BGM", &Form1::BGM_Click, true);

    mnu.VER = bar_item("その他", &Form1::VER_Click);

    auto* style = new KeyboardMenuBarStyle;
    style->setParent(bar);
    bar->setStyle(style);
    // F10 opens the first menu, as on other desktop programs, with the bar
    // holding the keyboard as after Alt: Left and Right then reach every item,
    // the commands too, and Esc gives the keys back to the board.
    auto* f10 = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(f10, &QShortcut::activated, this, [this, bar] {
        static_cast<GameMenuBar*>(bar)->take_keys(focusWidget());
        bar->setActiveAction(mnu.TAIKYOKU->menuAction());
    });
}

void Form1::作成_パネル() {
    if (Drive1) return;
    // The yellow comes with its own black text, whatever the desktop's palette
    // (a dark theme's near-white text would not show on it); selections keep
    // the palette's colours, which are made to go together.
    const QString yellow = QStringLiteral("background-color: rgb(255, 255, 192); color: black;");
    Drive1 = new QComboBox(view);
    Dir1 = new QListWidget(view);
    File1 = new QListWidget(view);
    for (int i = 0; i < 4; ++i) Label1[i] = new QLabel(QString::fromUtf8(kLabelCaptions[i]), view);
    Text1 = new QLineEdit(view);
    Text2 = new QLineEdit(view);
    Text3 = new QLineEdit(view);
    Text4 = new QLineEdit(view);
    Command1 = new QPushButton(QStringLiteral("RETURN"), view);
    配置_パネル();
    // With a border of its own the box is drawn flat, so the yellow is not shaded.
    Drive1->setStyleSheet(QStringLiteral("QComboBox { ") + yellow + " border: 1px solid gray; }");
    for (QWidget* w : std::initializer_list<QWidget*>{Dir1, File1, Text1, Text2, Text3, Text4})
        w->setStyleSheet(yellow);
    for (QLabel* l : Label1) {
        // On the client area's own background colour, with text that goes with it.
        QPalette pal = l->palette();
        pal.setColor(QPalette::WindowText, Qt::black);
        l->setPalette(pal);
        l->setAutoFillBackground(true);
    }
    // Each field is read by its label; the lists by what they list.
    Label1[0]->setBuddy(Text1);
    Label1[1]->setBuddy(Text4);
    Label1[2]->setBuddy(Text3);
    Label1[3]->setBuddy(Text2);
    Drive1->setAccessibleName(QStringLiteral("ドライブ"));
    Dir1->setAccessibleName(QStringLiteral("フォルダ"));
    File1->setAccessibleName(QStringLiteral("ファイル"));

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    // Return in the file-name field is the RETURN button, as a user expects.
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Command1_Click(); });
    connect(File1, &QListWidget::itemClicked, this, [this](QListWidgetItem* it) { File1_Click(it->text()); });
    connect(Drive1, &QComboBox::currentIndexChanged, this, [this](int) { Drive1_Change(); });
    connect(Dir1, &QListWidget::itemActivated, this, [this](QListWidgetItem*) { Dir1_Change(); });
    // Return on the chosen file loads it, as a click does.
    File1->installEventFilter(new ReturnKey(File1, [this] {
        if (const QListWidgetItem* it = File1->currentItem(); it && it->isSelected()) File1_Click(it->text());
    }));
    // Return on the focused RETURN button presses it, as in a dialog.
    Command1->setAutoDefault(true);
    // Tab follows the fields as they stand on the screen, then the button and the lists.
    QWidget* order[] = {Text2, Text3, Text4, Text1, Command1, File1, Drive1, Dir1};
    for (size_t i = 0; i + 1 < std::size(order); ++i) setTabOrder(order[i], order[i + 1]);

    描画_可視(false, false, false);
    for (QWidget* w : std::initializer_list<QWidget*>{Text1, Text2, Text3, Text4, Command1}) w->hide();
    for (QLabel* l : Label1) l->hide();
}

void Form1::配置_パネル() {
    if (!Drive1) return;
    const QPointF corner = QPointF(view_origin) / view->devicePixelRatioF();
    const std::pair<QWidget*, TwipRect> places[] = {
        {Drive1, kDrive1},       {Dir1, kDir1},           {File1, kFile1},         {Label1[0], kLabel1[0]},
        {Label1[1], kLabel1[1]}, {Label1[2], kLabel1[2]}, {Label1[3], kLabel1[3]}, {Text1, kText1},
        {Text2, kText2},         {Text3, kText3},         {Text4, kText4},         {Command1, kCommand1}};
    // One face and size for the whole panel, whatever the locale and the screen's
    // font resolution would choose: the labels' texts fit their fixed boxes.
    QFont panel_font(text_font.family());
    panel_font.setPixelSize(std::max(1, qRound(kPanelFontPixels * view_scale)));
    for (const auto& [w, r] : places) {
        w->setGeometry(to_pixels(r, view_scale, corner));
        w->setFont(panel_font);
    }
}

namespace {
// A hidden control keeps the keyboard when no other control in the tab order
// can take it, and the keys then go on reaching it: Return in a hidden file
// list loaded its record again, typing went into a hidden field. The board
// takes the keyboard back.
void 返却_盤へキー(Form1& f) {
    QWidget* owner = f.focusWidget();
    if (owner && owner != f.view && f.view->isAncestorOf(owner) && owner->isHidden())
        f.view->setFocus(Qt::OtherFocusReason);
}
}  // namespace

void Form1::描画_可視(bool a, bool b, bool c) {
    if (!Drive1 && !(a || b || c)) return;  // nothing made, nothing to hide
    作成_パネル();
    Drive1->setVisible(a);
    Dir1->setVisible(b);
    File1->setVisible(c);
    返却_盤へキー(*this);
}

void Form1::描画_棋譜_IO(int フラグ) {
    const bool show = フラグ == 0;
    if (!Text1 && !show) return;
    作成_パネル();
    if (!show) {
        Text1->clear();
        Text2->clear();
        Text3->clear();
        Text4->clear();
    }
    for (QLineEdit* t : {Text1, Text2, Text3, Text4}) t->setVisible(show);
    for (QLabel* l : Label1) l->setVisible(show);
    Command1->setVisible(show);
    返却_盤へキー(*this);
}

void Form1::TAIKYOKU_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);
}

void Form1::STOP_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);
}

void Form1::OPTION_Click() {
    描画_可視(false, false, false);
    描画_棋譜_IO(1);
}
