// A Form1 with every platform member replaced: scripted message boxes, a day
// clock that only moves when the program waits, a recording sound library and
// a private working folder. Every scenario can be replayed and asserted on.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"

struct Harness {
    struct Message {
        QString text, title;
        int buttons = 0, icon = 0;
    };
    struct SoundCall {
        std::string function;  // "dsPlay", "dsPlayLooping", "dsStop", "dsFree", ...
        std::intptr_t handle = 0;
    };

    // load: run Form_Load (sound start-up, settings, first game).
    // wave_files: put the four wave files into the working folder first.
    explicit Harness(bool load = true, bool wave_files = true);
    ~Harness();
    Harness(const Harness&) = delete;
    Harness& operator=(const Harness&) = delete;

    QTemporaryDir dir;  // the working folder while the form lives
    QString old_cwd;
    std::unique_ptr<Form1> form;
    Form1& f() { return *form; }

    // The day clock, in seconds since midnight; waits advance it.
    double now = 10 * 3600.0;
    std::vector<Message> messages;
    std::deque<int> answers;  // answers for Yes/No boxes (ID_YES when empty)
    // The window's own message box, for tests of what the user really sees.
    std::function<int(const QString&, const QString&, int, int)> real_msgbox;
    std::vector<SoundCall> sound_calls;
    // One line per message box and per sound played, in order:
    //   "msg <text>|<title>"  and  "play <name>", "loop <name>", "stop <name>"
    std::vector<std::string> events;
    bool library_starts = true;  // what the fake dsInitialize answers
    int waits_ms = 0;            // total time spent in idle()

    // The fake library's handle names, for readable events.
    std::string sound_name(std::intptr_t h) const;
    int count_events(const std::string& e) const;
    void clear_log();

    // Presses the mouse on grid cell (x, y): the middle of the cell, in twips.
    void press(int x, int y);
    // スタート and a first move, from 5,6 to 5,5.
    void start_with_a_move();
    // The canvas region of one grid cell (33 x 41 logical pixels), as an image
    // at device pixel ratio 1.
    QImage cell_image(double x, double y, int w = 33, int h = 41) const;

    static void write_file(const QString& path, const QByteArray& bytes);
    static QByteArray read_file(const QString& path);
    // Shift-JIS encoding and decoding of test texts.
    static QByteArray sjis(const QString& s);
    static QString from_sjis(const QByteArray& b);
    QString path(const QString& name) const { return dir.filePath(name); }
};

// Starting position, for comparisons.
extern const int kStartBoard[10][10];
