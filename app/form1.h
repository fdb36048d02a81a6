// Form1: the one window of Velmora and the owner of every piece of state.
//
// The header is the map of the program: fields and procedures are grouped by
// subsystem, in the order of the source folders (game, computer, play, record,
// view, sound, app). Each procedure is defined in the folder of its subsystem.
//
// No Q_OBJECT here on purpose: moc cannot read the Japanese names, and every
// connection is made with a lambda.
#pragma once

#include <QFont>
#include <QImage>
#include <QMainWindow>
#include <QRegion>
#include <QString>
#include <QTimer>
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "sound/module1.h"

class QAction;
class QComboBox;
class QBuffer;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class BoardView;

// Answers and styles of the modal message box, with the classic numbering.
enum MsgButtons { MB_OK = 0, MB_YESNO = 4 };
enum MsgIcon { MB_NOICON = 0, MB_ICONWARNING = 48 };
enum MsgResult { ID_OK = 1, ID_YES = 6, ID_NO = 7 };

class Form1 : public QMainWindow {
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // ===================================================================
    // Platform seam: everything that touches the outside world goes
    // through these members, so tests can script and observe it.
    // ===================================================================

    // Modal message box; returns ID_OK, ID_YES or ID_NO.
    std::function<int(const QString& text, const QString& title, int buttons, int icon)> msgbox;
    // Seconds since local midnight, with fractions; the program's own is made by 作成_日時計.
    std::function<double()> day_clock;
    // A day clock that reads the wall clock (seconds since local midnight) once,
    // when it is made, and from then on runs with the monotonic clock (seconds
    // from any fixed origin), wrapping at midnight: a wall clock set back or
    // forward (summer time, a time server) never enters a move's time.
    static std::function<double()> 作成_日時計(std::function<double()> 壁時計,
                                               std::function<double()> 単調時計);
    // Lets the window repaint for about `ms` milliseconds without taking user
    // input and without spinning a core; used by every wait.
    std::function<void(int ms)> idle;
    // Shows the canvas on the screen at once (the classic Refresh).
    std::function<void()> refresh;
    // Ends the program (after 終了処理).
    std::function<void()> quit_program;

    int MsgBox(const QString& text, const QString& title, int buttons = MB_OK, int icon = MB_NOICON);

    // ===================================================================
    // Constants set once at start-up (piece codes, sides, modes, colours,
    // picture codes, grid).
    // ===================================================================
    static constexpr int TRUE_ = 1, FALSE_ = 0;
    static constexpr int EMPTY = 0;
    static constexpr int SECRETARY = 1, STAFF = 2, CLERK = 3, SECTION_CHIEF = 4, DEPT_HEAD = 5, DIRECTOR = 6,
                         SENIOR_DIRECTOR = 7, PRESIDENT = 8, CHAIRMAN = 9;
    static constexpr int BOARD_N = 9;
    static constexpr int NONE = 0;
    static constexpr int MODE_MAN = 0, MODE_COM = 1;
    // QBasic palette indices.
    static constexpr int BLACK = 0, GREEN = 2, MAGENTA = 5, BROWN = 6, GREY = 8, LIGHT_BLUE = 9,
                         LIGHT_RED = 12, YELLOW = 14, WHITE = 15;
    // Picture codes beyond the piece codes.
    static constexpr int PIC_LOGO = 11, BG_MIDORI = 12, BG_TATAMI = 13, BG_TAKE = 14, BG_UCHU = 15,
                         BG_RENGA = 16;
    // Hand columns of the grid.
    static constexpr int HAND_PLUS_X = -1, HAND_MINUS_X = 11;
    // The record holds this many moves; files hold the same.
    static constexpr int REC_MAX = 500;
    // 15 twips make one pixel at 96 dpi.
    static constexpr int TWIPS_PER_PIXEL = 15;
    static constexpr int CLIENT_W_TWIPS = 9000, CLIENT_H_TWIPS = 8000;

    // Side identifiers: 1 and -1 at start; loading a record may swap them.
    int SENTE = 1;
    int GOTE = -1;

    // ===================================================================
    // game/ — board, pieces, rules, moves, handicap ladder
    // ===================================================================
    int board[10][10] = {};  // board[x][y], x = column 1..9 from the left, y = row 1..9 from the top
    int hand_minus[9] = {};  // count per kind 1..8 held by the minus (bottom) player
    int hand_plus[9] = {};   // the same for the plus (top) player
    int hand_count_minus = 0;
    int hand_count_plus = 0;
    int king_minus_x = 0, king_minus_y = 0;
    int king_plus_x = 0, king_plus_y = 0;
    int man_side = -1;  // side identifier of the minus player (GOTE at start)
    int com_side = 1;   // side identifier of the plus player (SENTE at start)
    int turn = NONE;
    int winner = NONE;
    int play_mode = MODE_MAN;
    int move_no = 0;
    int click_phase = 0;
    bool resume_pending = false;
    bool record_mode = false;
    int last_pick_x = 0, last_pick_y = 0;
    // Mouse selection, kept from one press to the next.
    int sel_x = 0, sel_y = 0, sel_piece = 0, dst_x = 0, dst_y = 0;
    // Handicap ladder.
    int handicap_level = 0;
    bool handicap_flag = false;

    void 初期設定();
    int 移動チェック(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒種類) const;
    int 詰めかMAN();
    int 詰めかCOM();
    void 駒移動(int 移動元X, int 移動元Y, int 移動先X, int 移動先Y, int 移動駒);
    void 駒取得(int 取得駒);
    int 調査_持駒数(int I_手番, int I_駒) const;
    // 17 + 17 pieces between board and hands, totals matching; checked in debug builds.
    bool 調査_局面整合() const;
    void LBEL_UP_Click();
    void LEBEL_DOWN_Click();
    void 描画_ハンデレベル(int IN_ハンデレベル);
    void 描画_メッセージ(int IN_メッセージ番号);

    // ===================================================================
    // computer/ — the computer's turn, board scan and evaluation, levels
    // ===================================================================
    // Adjacency maps of the last board scan, indexed [x][y] (and [k]) 1..9.
    int near_minus[10][10] = {};
    int near_plus[10][10] = {};
    int near_minus_kind[10][10][10] = {};
    int near_plus_kind[10][10][10] = {};
    int low_attacker_code[10][10] = {};
    int low_attacker_x[10][10] = {};
    int low_attacker_y[10][10] = {};
    int com_level = 3;
    // Scores are kept in exact tenths: 2 means 0.2, 99980 means 9998.
    int best_score = 0;
    int best_from_x = 0, best_from_y = 0, best_to_x = 0, best_to_y = 0;
    int best_piece = 0, best_origin_piece = 0;
    int blink_x = 0, blink_y = 0;  // the cell of the last blink, for tests

    void com_ban();
    void com_探索();  // the search alone: sets best_score and the best candidate
    void 待ち時間(double IN_秒);
    void 描画_駒点滅(int 入力_駒, int 入力_X, int 入力_Y, int 入力_点滅回数);
    void 消去_思考中();
    void 描画_思考中();
    void 勢力調査();
    int 盤評価(int 取得駒, int 移動元X, int 移動元Y, int 移動先X, int 移動先Y);  // tenths
    void LEVEL1_Click();
    void LEVEL2_Click();
    void LEVEL3_Click();
    void レベル_設定(int IN_LEVEL);
    void 描画_レベル(int IN_LEVEL);

    // ===================================================================
    // play/ — game control commands and the board input
    // ===================================================================
    void START_Click();
    void SENTE_Click();
    void GOTE_Click();
    void 描画_棋譜読込み部分消去();
    // A press on the client area; x and y in twips.
    void Form_MouseDown(int Button, int Shift, double X, double Y);
    void 描画_移動可能桝色(int 移動元X, int 移動元Y, int 描画色, int 移動駒);
    // The board cursor: the cell the keys are on, a square or a hand cell the
    // mouse could pick. Return or Space there is a press at the cell's centre.
    int cursor_x = 5, cursor_y = 5;
    bool cursor_shown = false;  // drawn from the first key that moves it until the next press
    bool key_pick = false;      // the outlined pick was made from the keyboard
    int typed_column = 0;       // the column digit of a square being typed, 0 when none
    // A key while the board has the keyboard; false when it is not the board's.
    bool 盤_キー(int key, const QString& text);
    void 移動_カーソル(int x, int y);
    // Esc on a pick made from the keys: the outlines go, the pick with them.
    void 取消_キー選択();
    void 消去_カーソル();  // before a mouse press: the cursor goes and the pick is the mouse's

    // ===================================================================
    // record/ — move record and notation, record files, stepping
    // ===================================================================
    std::array<int, REC_MAX + 1> rec_from_x{};
    std::array<int, REC_MAX + 1> rec_from_y{};
    std::array<int, REC_MAX + 1> rec_to_x{};
    std::array<int, REC_MAX + 1> rec_to_y{};
    std::array<int, REC_MAX + 1> rec_captured{};
    std::array<int, REC_MAX + 1> rec_piece_from{};
    std::array<int, REC_MAX + 1> rec_piece_to{};
    int rec_pos = 0;
    int rec_len = 0;
    std::array<double, REC_MAX + 1> rec_man_before{};
    std::array<double, REC_MAX + 1> rec_man_after{};
    std::array<double, REC_MAX + 1> rec_com_before{};
    std::array<double, REC_MAX + 1> rec_com_after{};
    QBuffer* kifu_file = nullptr;  // the record file being read, in memory, only inside one command
    // The loaded record's game name and bottom player while they stand in the
    // strip below the board, which the top player's clock shares.
    QString strip_game_name, strip_bottom_name;

    // Returns false (and records nothing) when the record is full.
    bool 手順保存(int 元X, int 元Y, int 先X, int 先Y, int 元駒, int 先駒, double 前秒M, double 後秒M,
                  double 前秒C, double 後秒C);
    // True when one more move fits into the record; otherwise tells the user.
    bool 調査_棋譜余裕();
    QString 文字列変換(int IN_文字列) const;  // empty = no value
    void 描画_移動結果(int IN_手番, int 移動先X, int 移動先Y, int 移動駒, int 駒色);
    void 消去_移動結果(int IN_手番);
    void 描画_移動駒種類(double 入力X, double 入力Y, const QString& 駒文字, int 色);
    void KIFU_READ_Click();
    void KIFU_WRITE_Click();
    void Command1_Click();
    void File1_Click(const QString& file_name);
    // Loads the record file at a path as a click on it in the file list does
    // (also the record named on the command line); false when it is refused.
    bool 読込_棋譜パス(const QString& パス);
    // Loads a record file's bytes for replay; false when they are refused
    // (the game, the record and the screen then stay as they were).
    bool 読込_棋譜データ(const QByteArray& 内容);
    void Drive1_Change();
    void Dir1_Change();
    bool 読込_棋譜ファイル(QByteArray& 文字列);
    double 取得_棋譜のX座標(const QString& IN_文字列) const;
    void 描画_棋譜見出し(const QString& 対局名, const QString& 上, const QString& 下);
    // Clears the strip below the board whole; the bottom player's name stays if asked.
    void 消去_棋譜見出し(bool 下の名前も);
    void REPLAY_Click();
    void AFTER_Click();
    void CANCEL_Click();

    // ===================================================================
    // view/ — drawing, clocks, options and settings file, reversal, menus
    // ===================================================================
    // Grid, in twips.
    int board_left = 1050, board_top = 100, cell_w = 495, cell_h = 615;
    int bg_colour = GREEN, grid_colour = GREEN, guide_colour = GREEN;
    int bg_kind = 0;
    int guidance_on = 0;
    bool reversed_flag = false;
    // The retained canvas: 600 x 533 logical pixels at device pixel ratio canvas_dpr.
    QImage canvas;
    qreal canvas_dpr = 1.0;
    QFont text_font;                        // proportional Mincho face, 9 pt, bold once labels are drawn
    std::array<QImage, 26> pictures;        // by picture code + 9 (-9 .. 16)
    std::array<bool, 26> picture_opaque{};  // covers all it is drawn over
    // A client area larger than the canvas shows it view_scale times larger,
    // aspect kept and centred (its corner view_origin device pixels in), drawn
    // at the screen's own pixels: canvas_dpr is the screen's ratio times view_scale.
    qreal view_scale = 1.0;
    QPoint view_origin;
    // The smallest view_scale: below 1 only on a screen too small for the
    // window's default size at its scale.
    qreal view_scale_min = 1.0;
    // What the canvas still shows of each drawing, in order, so it can be drawn
    // again at another ratio as if it had been drawn there from the start.
    struct 描画記録 {
        enum Kind { PICTURE, OUTLINE, TEXT } kind;
        int code;     // picture code, or colour
        double x, y;  // grid point; twips for text
        int points = 0;
        QString text{};
        QFont font{};
        QRegion shown{};  // the twips where it may still show
    };
    std::vector<描画記録> canvas_log;
    // Clocks.
    double turn_start_time = 0;
    double move_secs = 0;
    double com_secs = 0;
    double man_secs = 0;
    int shown_sec = 0;
    QTimer* Timer1 = nullptr;

    // Canvas and pictures.
    void 準備_画面(qreal dpr);  // (re)creates the canvas and every picture at this ratio
    // Makes the canvas again at this ratio and draws on it again what it showed.
    void 再現_画面(qreal dpr);
    // Fits the canvas to the client area's size and the screen's ratio.
    void 調整_表示倍率();
    // A point of the client area (logical pixels) in twips of the canvas.
    QPointF 変換_twips(QPointF 位置) const;
    // The other way: a point in twips to where the view shows it, in logical pixels.
    QPointF 変換_画面(QPointF twips) const;
    const QImage& 絵(int 駒種類) const;
    void 描画_絵(int 駒種類, double 座標X, double 座標Y);
    void 描画_桝輪郭(int 描画色, double 座標X, double 座標Y);
    void 描画_数値(double 入力X, double 入力Y, const QString& 数値, int 色, int モード, int フォントサイズ);
    void 描画_数値(double 入力X, double 入力Y, int 数値, int 色, int モード, int フォントサイズ);
    void 描画_文字列(double 入力X, double 入力Y, int 数値, int 色, int サイズ);
    static QString 文字列_ハンデ(int IN_ハンデレベル);  // the grade's text, empty out of range
    void 描画_手数(int 数値, int 色);
    void 描画_桝_数値();
    void 描画_盤();
    void 描画_自持盤();
    void 描画_敵持盤();
    void 描画_背景(int IN_背景種類);
    // The cursor's ring inside its cell (under the grid lines): shown or taken away.
    void 描画_カーソル(bool 表示);
    void 描画_将棋盤桝();
    void 画面_再描画();
    // The canvas changed: the window shows it at its next paint.
    void 画面_無効化();
    // Prints text at a point given in twips (top-left of the text), in the current font.
    void 描画_テキスト(double x_twips, double y_twips, const QString& text, int 色, int ポイント);
    // Label colours by background: main and shadow.
    int 色_文字() const;
    int 色_影() const;
    static QColor 色_RGB(int 色);
    // Clocks.
    void Timer1_Timer();
    double 調査_経過秒(double I_開始, double I_終了) const;
    QString 変換_数字から文字(long long I_数字) const;
    QString 調査_時間秒追加結果(double IN_経過秒) const;
    void 描画_所有時間(int IN_手番, double IN_思考時間);
    void 消去_所有時間(int IN_手番);
    // Options and the settings file.
    QString settings_path;  // where Velmora.ini is read and written
    // Whether a folder or file may be written; tests stand in for a read-only folder.
    std::function<bool(const QString& path)> settings_writable;
    // Replaces the settings file at a path with these bytes, all or nothing;
    // false when it could not. The play fuzzer keeps the file in memory.
    std::function<bool(const QString& path, const QByteArray& bytes)> settings_save;
    void 読込_環境設定ファイル();
    void 書込_環境設定ファイル();
    void チェック設定(int IN_背景種類);
    void MIDORI_Click();
    void TATAMI_Click();
    void TAKE_Click();
    void UCHU_Click();
    void RENGA_Click();
    void SIDOU_Click();
    void KEIKA_Click();
    void BGM_Click();
    // Board reversal.
    void REVERSE_Click();
    // What a screen reader is told: every cell named in the game's words, the
    // last move spoken on the focused cell, the clocks and status on the board.
    QString spoken_move;          // the last move as the window shows it, with its side
    bool spoken_fresh = false;    // not yet passed over by a cursor move
    bool access_pending = false;  // the screen reader is to be told once the current event is over
    QString 名前_桝(int x, int y) const;
    QString 説明_盤() const;
    QString 名前_手番(int IN_手番) const;
    void 告知_指し手(int IN_手番, const QString& 指し手);
    // Names and states of the cells changed: tells the screen reader which.
    void 通知_盤();
    void 通知_カーソル();  // the cursor's cell has the focus
    // Menus and the record-file panel.
    struct Menu {
        QMenu* TAIKYOKU = nullptr;
        QMenu* MATCH_MAN = nullptr;
        QAction* START = nullptr;
        QMenu* START2 = nullptr;
        QAction* SENTE = nullptr;
        QAction* GOTE = nullptr;
        QMenu* LEVEL = nullptr;
        QAction* LEVEL1 = nullptr;
        QAction* LEVEL2 = nullptr;
        QAction* LEVEL3 = nullptr;
        QAction* OWARI = nullptr;
        QMenu* STOP = nullptr;
        QAction* CANCEL = nullptr;
        QAction* REVERSE = nullptr;
        QAction* REPLAY = nullptr;
        QAction* AFTER = nullptr;
        QAction* LBEL_UP = nullptr;
        QAction* LEBEL_DOWN = nullptr;
        QMenu* KIFU = nullptr;
        QAction* KIFU_READ = nullptr;
        QAction* KIFU_WRITE = nullptr;
        QMenu* OPTION = nullptr;
        QMenu* HAIKEI_GA = nullptr;
        QAction* MIDORI = nullptr;
        QAction* TATAMI = nullptr;
        QAction* TAKE = nullptr;
        QAction* UCHU = nullptr;
        QAction* RENGA = nullptr;
        QAction* SIDOU = nullptr;
        QAction* KEIKA = nullptr;
        QAction* BGM = nullptr;
        QAction* VER = nullptr;
    } mnu;
    // The record-file panel's controls, made by 作成_パネル the first time the
    // panel is shown (null until then: the first frame does not wait for them).
    QComboBox* Drive1 = nullptr;
    QListWidget* Dir1 = nullptr;
    QListWidget* File1 = nullptr;
    std::array<QLabel*, 4> Label1{};
    QLineEdit* Text1 = nullptr;
    QLineEdit* Text2 = nullptr;
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QPushButton* Command1 = nullptr;
    QString dir_path;  // the folder Dir1 shows
    QString file_dir;  // the folder File1 lists
    void 作成_メニュー();
    void 作成_パネル();
    void 配置_パネル();  // the panel's controls at the canvas's scale and place
    void 描画_可視(bool a, bool b, bool c);
    void 描画_棋譜_IO(int フラグ);
    void TAIKYOKU_Click();
    void STOP_Click();
    void OPTION_Click();

    // ===================================================================
    // sound/ — the sound library binding and the four sounds
    // ===================================================================
    Module1 module1;
    SoundLibrary::Handle snd_other = 0;
    SoundLibrary::Handle snd_forbidden = 0;
    SoundLibrary::Handle snd_place = 0;
    SoundLibrary::Handle snd_bgm = 0;
    void 再生(SoundLibrary::Handle h);  // dsPlay on a buffer handle

    // ===================================================================
    // app/ — start-up, shutdown, About
    // ===================================================================
    BoardView* view = nullptr;
    bool terminated = false;
    // The window still has to be put at the available area's top-left corner, frame
    // and all: the frame is only known once a window manager has framed it.
    bool place_pending = false;
    void Form_Load();
    void 配置_ウィンドウ();
    // On a screen of another scale or size: the smallest size that fits, and
    // the window moved back onto the available area.
    void 収める_ウィンドウ();
    // The pixel ratio at which the window, frame and all, fits into an
    // available area of this many logical pixels at ratio `倍率`: the ratio
    // itself when it fits, else the largest quarter step that does, never
    // below 1 (a 96-dpi pixel stays at least one device pixel).
    static qreal 倍率_画面に収まる(QSize 使える大きさ, qreal 倍率);
    void 終了処理();
    void OWARI_Click();
    void VER_Click();
    void Form_KeyPress(int KeyAscii);
    void Form_Unload();
    // Installs Qt's own Japanese texts (qtbase_ja) before any widget is made;
    // false when the catalogue is missing (the toolkit then speaks English).
    static bool 読込_翻訳();

protected:
    void closeEvent(QCloseEvent* e) override;
    void moveEvent(QMoveEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
};
