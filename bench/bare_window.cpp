// The yardstick for start-up: a bare Qt Widgets window with a menu bar, the
// size of Velmora's, titled "BareQt". Nothing else; the traced build marks
// the same phases as velmora's (app/startup_marks.h).
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

#include "app/startup_marks.h"
#ifdef VELMORA_STARTUP_MARKS
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>

namespace {
class MarkFirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            startup_marks::mark("first paint");
            watched->removeEventFilter(this);
        }
        return false;
    }
};
}  // namespace
#endif

int main(int argc, char** argv) {
#ifdef VELMORA_STARTUP_MARKS
    startup_marks::hook = startup_marks::write_mark;
#endif
    startup_marks::mark("main");
    QApplication app(argc, argv);
    startup_marks::mark("QApplication");
#ifdef VELMORA_STARTUP_MARKS
    QFontDatabase::families();
    startup_marks::mark("font database");
    QFontMetricsF(QApplication::font()).height();
    startup_marks::mark("first face");
#endif
    QMainWindow w;
    w.setWindowTitle("BareQt");
    for (const char* m : {"File", "Edit", "View", "Help"}) w.menuBar()->addMenu(m)->addAction("Item");
    w.setFixedSize(600, 553);
    startup_marks::mark("window");
#ifdef VELMORA_STARTUP_MARKS
    MarkFirstPaint paint;
    w.installEventFilter(&paint);
#endif
    w.show();
    startup_marks::mark("show");
    return app.exec();
}
