// The yardstick for start-up: a bare Qt Widgets window with a menu bar, the
// size of Velmora's, titled "BareQt". Nothing else.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow w;
    w.setWindowTitle("BareQt");
    for (const char* m : {"File", "Edit", "View", "Help"}) w.menuBar()->addMenu(m)->addAction("Item");
    w.setFixedSize(600, 553);
    w.show();
    return app.exec();
}
