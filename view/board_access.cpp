// The board as a screen reader meets it: a table of 9 x 9 cells between the
// two hands (tables of one column), each cell named in the game's words, the
// cursor's cell focused, the last move spoken on it, and the clocks and the
// status on the board. The four one-glyph commands of the menu bar are given
// words to be read by.
#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>
#include <array>
#include <memory>

#include "app/form1.h"
#include "view/board_view.h"
#include "view/pictures.h"

namespace {
const QString kEmptySquare = QStringLiteral("空き");
const QString kBoardName = QStringLiteral("盤");
const QString kHandName = QStringLiteral("%1の持駒");
const QString kHandCell = QStringLiteral("%1の持駒 %2 %3");
const QString kNoneHeld = QStringLiteral("なし");
const QString kHeld = QStringLiteral("%1枚");
const QString kStatusName = QStringLiteral("状況");

constexpr int kHandRows = 8;
constexpr int kBoardCells = Form1::BOARD_N * Form1::BOARD_N;

// Which cells a table holds.
enum Group { PLUS_HAND, BOARD, MINUS_HAND };
constexpr Group kGroups[3] = {PLUS_HAND, BOARD, MINUS_HAND};
int group_size(Group g) { return g == BOARD ? kBoardCells : kHandRows; }
int group_columns(Group g) { return g == BOARD ? Form1::BOARD_N : 1; }
// The grid cell of a table's child, in screen order.
QPoint grid_cell(Group g, int i) {
    if (g == BOARD) return {i % Form1::BOARD_N + 1, i / Form1::BOARD_N + 1};
    return g == PLUS_HAND ? QPoint(Form1::HAND_PLUS_X, i + 1) : QPoint(Form1::HAND_MINUS_X, i + 2);
}
int child_index(Group g, QPoint c) {
    if (g == BOARD) return (c.y() - 1) * Form1::BOARD_N + c.x() - 1;
    return g == PLUS_HAND ? c.y() - 1 : c.y() - 2;
}
Group group_of(QPoint c) {
    return c.x() == Form1::HAND_PLUS_X ? PLUS_HAND : c.x() == Form1::HAND_MINUS_X ? MINUS_HAND : BOARD;
}

class BoardAccess;

// A leaf of the board's tree, living as long as the board's interface.
class LeafAccess : public QAccessibleInterface {
public:
    explicit LeafAccess(BoardAccess& board) : board_(board) {}
    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    void setText(QAccessible::Text, const QString&) override {}

protected:
    BoardAccess& board_;
};

// One cell: a square or a hand cell.
class CellAccess : public LeafAccess, public QAccessibleTableCellInterface {
public:
    CellAccess(BoardAccess& board, Group g, int i) : LeafAccess(board), group_(g), index_(i) {}
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this)
                                                    : nullptr;
    }
    bool isSelected() const override;
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return index_ % group_columns(group_); }
    int rowIndex() const override { return index_ / group_columns(group_); }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override;

    QPoint cell() const { return grid_cell(group_, index_); }

private:
    Group group_;
    int index_;
};

// The board or a hand: a table of cells.
class TableAccess : public QAccessibleInterface, public QAccessibleTableInterface {
public:
    TableAccess(BoardAccess& board, Group g) : board_(board), group_(g) {}
    bool isValid() const override { return true; }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override;
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i)
            if (child(i)->rect().contains(x, y)) return child(i);
        return nullptr;
    }
    QAccessibleInterface* parent() const override;
    QAccessibleInterface* child(int index) const override;
    int childCount() const override { return group_size(group_); }
    int indexOfChild(const QAccessibleInterface* c) const override;
    QString text(QAccessible::Text t) const override;
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::Table; }
    QAccessible::State state() const override { return {}; }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TableInterface ? static_cast<QAccessibleTableInterface*>(this) : nullptr;
    }
    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        const int cols = group_columns(group_);
        if (row < 0 || column < 0 || column >= cols || row * cols + column >= childCount()) return nullptr;
        return child(row * cols + column);
    }
    int selectedCellCount() const override { return static_cast<int>(selectedCells().size()); }
    QList<QAccessibleInterface*> selectedCells() const override;
    QString columnDescription(int) const override { return {}; }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return 0; }
    int columnCount() const override { return group_columns(group_); }
    int rowCount() const override { return childCount() / columnCount(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override { return {}; }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int) const override { return false; }
    bool selectRow(int) override { return false; }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override {}

private:
    BoardAccess& board_;
    Group group_;
};

// The clocks, the move number, whose turn it is, the level, the grade and the
// last moves (kind 0); or the last move of the top (1) or bottom (2) player,
// which takes the focus when it is made, so a screen reader says it.
class StatusAccess : public LeafAccess {
public:
    StatusAccess(BoardAccess& board, int kind) : LeafAccess(board), kind_(kind) {}
    QAccessibleInterface* parent() const override;
    QString text(QAccessible::Text t) const override;
    QRect rect() const override;
    QAccessible::Role role() const override { return QAccessible::StaticText; }
    QAccessible::State state() const override;

private:
    int kind_;
};

// The client area: the status, the top player's hand, the board, the bottom
// player's hand, then the record panel's controls when they exist.
class BoardAccess : public QAccessibleWidget {
public:
    explicit BoardAccess(BoardView* v) : QAccessibleWidget(v, QAccessible::Client) {
        status_ = std::make_unique<StatusAccess>(*this, 0);
        QAccessible::registerAccessibleInterface(status_.get());
        for (int side = 0; side < 2; ++side) {
            moves_[side] = std::make_unique<StatusAccess>(*this, side + 1);
            QAccessible::registerAccessibleInterface(moves_[side].get());
        }
        for (Group g : kGroups) {
            tables_[g] = std::make_unique<TableAccess>(*this, g);
            QAccessible::registerAccessibleInterface(tables_[g].get());
            for (int i = 0; i < group_size(g); ++i) {
                cells_[g].push_back(std::make_unique<CellAccess>(*this, g, i));
                QAccessible::registerAccessibleInterface(cells_[g].back().get());
            }
        }
        names_ = current_names();
    }
    ~BoardAccess() override {
        // The cache forgets the children; the unique pointers free them.
        auto forget = [](QAccessibleInterface* i) {
            QAccessible::Id id = QAccessible::uniqueId(i);
            if (id) QAccessible::deleteAccessibleInterface(id);
        };
        for (auto& list : cells_)
            for (auto& c : list) forget(c.release());
        for (auto& t : tables_) forget(t.release());
        for (auto& m : moves_) forget(m.release());
        forget(status_.release());
    }

    Form1& form() const { return static_cast<BoardView*>(widget())->form(); }
    QWidget* view() const { return widget(); }

    int childCount() const override { return kFixed + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index == 0) return status_.get();
        if (index >= 1 && index <= 3) return tables_[index - 1].get();
        if (index == 4 || index == 5) return moves_[index - 4].get();
        return QAccessibleWidget::child(index - kFixed);
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        if (c == status_.get()) return 0;
        for (Group g : kGroups)
            if (c == tables_[g].get()) return 1 + g;
        for (int side = 0; side < 2; ++side)
            if (c == moves_[side].get()) return 4 + side;
        const int i = QAccessibleWidget::indexOfChild(c);
        return i < 0 ? -1 : i + kFixed;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        if (QAccessibleInterface* w = QAccessibleWidget::childAt(x, y)) return w;
        for (Group g : kGroups)
            if (QAccessibleInterface* c = tables_[g]->childAt(x, y)) return c;
        return nullptr;
    }
    QAccessibleInterface* focusChild() const override {
        if (view()->hasFocus() && said_ >= 0) return moves_[said_].get();
        if (view()->hasFocus()) return cell_at(QPoint(form().cursor_x, form().cursor_y));
        return QAccessibleWidget::focusChild();
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return QStringLiteral("Velmora");
        if (t == QAccessible::Description) return form().説明_盤();
        return QAccessibleWidget::text(t);
    }

    TableAccess* table(Group g) const { return tables_[g].get(); }
    StatusAccess* status() const { return status_.get(); }
    CellAccess* cell_at(QPoint c) const {
        const Group g = group_of(c);
        const int i = child_index(g, c);
        return i >= 0 && i < group_size(g) ? cells_[g][i].get() : nullptr;
    }
    // A cell's screen rectangle from the grid, in twips, where the view draws it.
    QRect screen_rect(double x, double y, double w, double h) const {
        const Form1& f = form();
        const QPointF top_left =
            f.変換_画面(QPointF(f.board_left + x * f.cell_w, f.board_top + y * f.cell_h));
        const QPointF bottom_right =
            f.変換_画面(QPointF(f.board_left + (x + w) * f.cell_w, f.board_top + (y + h) * f.cell_h));
        return QRect(view()->mapToGlobal(top_left.toPoint()),
                     view()->mapToGlobal(bottom_right.toPoint()) - QPoint(1, 1));
    }

    // Tells the screen reader what changed since it was last told.
    void tell_changes() {
        std::vector<QString> now = current_names();
        for (Group g : kGroups)
            for (int i = 0; i < group_size(g); ++i) {
                CellAccess* c = cells_[g][i].get();
                const size_t n = flat(g, i);
                if (now[n] != names_[n]) {
                    QAccessibleEvent e(c, QAccessible::NameChanged);
                    QAccessible::updateAccessibility(&e);
                }
                const bool sel = c->isSelected();
                if (sel != selected_[n]) {
                    QAccessible::State s;
                    s.selected = true;
                    QAccessibleStateChangeEvent e(c, s);
                    QAccessible::updateAccessibility(&e);
                    selected_[n] = sel;
                }
            }
        if (now.back() != names_.back()) {
            QAccessibleEvent e(status_.get(), QAccessible::NameChanged);
            QAccessible::updateAccessibility(&e);
        }
        names_ = std::move(now);
    }
    // The move goes on the focused cell's description, and its side's last-move
    // text takes the focus: a screen reader says what takes the focus.
    void tell_move(bool top, const QString& move) {
        if (CellAccess* c = cell_at(QPoint(form().cursor_x, form().cursor_y))) {
            QAccessibleEvent e(c, QAccessible::DescriptionChanged);
            QAccessible::updateAccessibility(&e);
        }
        said_text_[top ? 0 : 1] = move;
        if (!view()->hasFocus()) return;
        said_ = top ? 0 : 1;
        QAccessibleEvent e(moves_[said_].get(), QAccessible::Focus);
        QAccessible::updateAccessibility(&e);
    }
    QString said(int side) const { return said_text_[side]; }
    bool is_said(int side) const { return said_ == side && view()->hasFocus(); }
    void tell_focus() {
        said_ = -1;
        if (CellAccess* c = cell_at(QPoint(form().cursor_x, form().cursor_y))) {
            QAccessibleEvent e(c, QAccessible::Focus);
            QAccessible::updateAccessibility(&e);
        }
    }

private:
    static constexpr int kFixed = 6;
    static size_t flat(Group g, int i) {
        return g == PLUS_HAND ? i : g == BOARD ? kHandRows + i : kHandRows + kBoardCells + i;
    }
    // Every cell's name in table order, then the status.
    std::vector<QString> current_names() const {
        std::vector<QString> out;
        for (Group g : kGroups)
            for (int i = 0; i < group_size(g); ++i) {
                const QPoint c = grid_cell(g, i);
                out.push_back(form().名前_桝(c.x(), c.y()));
            }
        out.push_back(form().説明_盤());
        return out;
    }

    std::unique_ptr<StatusAccess> status_;
    std::array<std::unique_ptr<StatusAccess>, 2> moves_;
    std::array<QString, 2> said_text_;
    int said_ = -1;  // the side whose last move has the focus, -1 when the cursor's cell has it
    std::array<std::unique_ptr<TableAccess>, 3> tables_;
    std::array<std::vector<std::unique_ptr<CellAccess>>, 3> cells_;
    std::vector<QString> names_;
    std::array<bool, 2 * kHandRows + kBoardCells> selected_{};
};

QWindow* LeafAccess::window() const { return board_.window(); }
QAccessibleInterface* CellAccess::parent() const { return board_.table(group_); }
QAccessibleInterface* CellAccess::table() const { return board_.table(group_); }
QRect CellAccess::rect() const { return board_.screen_rect(cell().x(), cell().y(), 1, 1); }
bool CellAccess::isSelected() const {
    const Form1& f = board_.form();
    return f.click_phase == 1 && f.sel_x == cell().x() && f.sel_y == cell().y();
}
QString CellAccess::text(QAccessible::Text t) const {
    const Form1& f = board_.form();
    if (t == QAccessible::Name) return f.名前_桝(cell().x(), cell().y());
    // The last move is read on the cursor's cell until the cursor moves on.
    if (t == QAccessible::Description && f.spoken_fresh && cell() == QPoint(f.cursor_x, f.cursor_y))
        return f.spoken_move;
    return {};
}
QAccessible::State CellAccess::state() const {
    const Form1& f = board_.form();
    QAccessible::State s;
    s.focusable = true;
    s.selectable = true;
    s.focused = board_.view()->hasFocus() && cell() == QPoint(f.cursor_x, f.cursor_y);
    s.selected = isSelected();
    return s;
}

QWindow* TableAccess::window() const { return board_.window(); }
QAccessibleInterface* TableAccess::parent() const { return const_cast<BoardAccess*>(&board_); }
QAccessibleInterface* TableAccess::child(int index) const {
    if (index < 0 || index >= childCount()) return nullptr;
    return board_.cell_at(grid_cell(group_, index));
}
int TableAccess::indexOfChild(const QAccessibleInterface* c) const {
    for (int i = 0; i < childCount(); ++i)
        if (child(i) == c) return i;
    return -1;
}
QString TableAccess::text(QAccessible::Text t) const {
    if (t != QAccessible::Name) return {};
    const Form1& f = board_.form();
    if (group_ == BOARD) return kBoardName;
    return kHandName.arg(f.名前_手番(group_ == PLUS_HAND ? f.com_side : f.man_side));
}
QRect TableAccess::rect() const {
    if (group_ == BOARD) return board_.screen_rect(1, 1, Form1::BOARD_N, Form1::BOARD_N);
    const QPoint first = grid_cell(group_, 0);
    return board_.screen_rect(first.x(), first.y(), 1, kHandRows);
}
QList<QAccessibleInterface*> TableAccess::selectedCells() const {
    QList<QAccessibleInterface*> out;
    for (int i = 0; i < childCount(); ++i)
        if (static_cast<CellAccess*>(child(i))->isSelected()) out.push_back(child(i));
    return out;
}

QAccessibleInterface* StatusAccess::parent() const { return const_cast<BoardAccess*>(&board_); }
QString StatusAccess::text(QAccessible::Text t) const {
    if (t != QAccessible::Name) return {};
    return kind_ == 0 ? board_.form().説明_盤() : board_.said(kind_ - 1);
}
QRect StatusAccess::rect() const {
    // Where the window writes the same: the top player's move left below, the bottom's right above.
    if (kind_ == 1) return board_.screen_rect(-2, 9, 3, 1);
    if (kind_ == 2) return board_.screen_rect(13, 2, 3, 1);
    return board_.screen_rect(-3, 0, 18, 11);
}
QAccessible::State StatusAccess::state() const {
    QAccessible::State s;
    s.focusable = kind_ != 0;
    s.focused = kind_ != 0 && board_.is_said(kind_ - 1);
    return s;
}

// A one-glyph command of the menu bar, read with the words for what it does;
// the bar still shows the glyph.
class CommandAccess : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CommandAccess(QAction* a, QString words) : action_(a), words_(std::move(words)) {}
    bool isValid() const override { return action_ && bar(); }
    QObject* object() const override { return action_; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(bar()); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) return action_->text() + QLatin1Char(' ') + words_;
        if (t == QAccessible::Description) return words_;
        return {};
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        QMenuBar* b = bar();
        return b ? b->actionGeometry(action_).translated(b->mapToGlobal(QPoint(0, 0))) : QRect();
    }
    QAccessible::Role role() const override { return QAccessible::MenuItem; }
    QAccessible::State state() const override {
        QAccessible::State s;
        QMenuBar* b = bar();
        s.invisible = !b || !b->isVisible();
        s.focused = b && b->activeAction() == action_;
        s.disabled = !action_->isEnabled();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && action_->isEnabled()) action_->trigger();
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QMenuBar* bar() const {
        for (QObject* w : action_->associatedObjects())
            if (auto* b = qobject_cast<QMenuBar*>(w)) return b;
        return nullptr;
    }
    QAction* action_;
    QString words_;
};

const char* const kCommandWords = "velmora_words";

QAccessibleInterface* factory(const QString&, QObject* object) {
    if (auto* v = dynamic_cast<BoardView*>(object)) return new BoardAccess(v);
    if (auto* a = qobject_cast<QAction*>(object)) {
        const QVariant words = a->property(kCommandWords);
        if (words.isValid()) return new CommandAccess(a, words.toString());
    }
    return nullptr;
}

BoardAccess* board_access(QWidget* view) {
    if (!view || !QAccessible::isActive()) return nullptr;
    return dynamic_cast<BoardAccess*>(QAccessible::queryAccessibleInterface(view));
}
}  // namespace

void 準備_アクセス() {
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    (void)installed;
}

void 予約_アクセス通知(Form1& f) {
    // Kept by the window, not here: a window closed with a notice pending
    // would otherwise silence every window after it.
    if (f.access_pending || !f.view || !QAccessible::isActive()) return;
    f.access_pending = true;
    QTimer::singleShot(0, f.view, [&f] {
        f.access_pending = false;
        f.通知_盤();
    });
}

void 設定_コマンド説明(QAction* a, const QString& words) { a->setProperty(kCommandWords, words); }

QString Form1::名前_手番(int IN_手番) const {
    if (IN_手番 == SENTE) return QStringLiteral("先手");
    if (IN_手番 == GOTE) return QStringLiteral("後手");
    return {};
}

QString Form1::名前_桝(int x, int y) const {
    if (x == HAND_PLUS_X || x == HAND_MINUS_X) {
        const bool plus = x == HAND_PLUS_X;
        const int k = plus ? 9 - y : y - 1;
        if (k < 1 || k > kHandRows) return {};
        const int n = plus ? hand_plus[k] : hand_minus[k];
        return kHandCell.arg(名前_手番(plus ? com_side : man_side), QString::fromUtf8(kRankTitles[k]),
                             n > 0 ? kHeld.arg(n) : kNoneHeld);
    }
    if (x < 1 || x > BOARD_N || y < 1 || y > BOARD_N) return {};
    const QString square = 文字列変換(110 - x) + 文字列変換(1000 + y);
    const int p = board[x][y];
    if (p == EMPTY) return square + QLatin1Char(' ') + kEmptySquare;
    return square + QLatin1Char(' ') + 名前_手番(p > 0 ? com_side : man_side) + QStringLiteral("の") +
           QString::fromUtf8(kRankTitles[p < 0 ? -p : p]);
}

QString Form1::説明_盤() const {
    QStringList parts;
    if (winner != NONE)
        parts << 名前_手番(winner) + QStringLiteral("の勝ち");
    else if (turn != NONE)
        parts << 名前_手番(turn) + QStringLiteral("の番");
    parts << QString::number(move_no) + QStringLiteral("手目");
    if (!spoken_move.isEmpty()) parts << QStringLiteral("最後の手 ") + spoken_move;
    if (mnu.KEIKA && mnu.KEIKA->isChecked()) {
        parts << 名前_手番(com_side) + QLatin1Char(' ') + 調査_時間秒追加結果(com_secs);
        parts << 名前_手番(man_side) + QLatin1Char(' ') + 調査_時間秒追加結果(man_secs);
    }
    if (play_mode == MODE_COM) parts << QStringLiteral("LEVEL%1").arg(com_level);
    if (handicap_flag) parts << 文字列_ハンデ(handicap_level);
    return parts.join(QStringLiteral("、"));
}

void Form1::告知_指し手(int IN_手番, const QString& 指し手) {
    spoken_move = 名前_手番(IN_手番) + QLatin1Char(' ') + 指し手;
    spoken_fresh = true;
    if (BoardAccess* a = board_access(view)) {
        a->tell_changes();
        a->tell_move(IN_手番 == com_side, spoken_move);
    }
}

void Form1::通知_盤() {
    if (BoardAccess* a = board_access(view)) a->tell_changes();
}

void Form1::通知_カーソル() {
    if (BoardAccess* a = board_access(view)) {
        a->tell_changes();
        if (view->hasFocus()) a->tell_focus();
    }
}
