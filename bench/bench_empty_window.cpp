// The floor for launch figures: the least a Qt Widgets program does to show a window of the
// main window's size and place. bench_launch starts it beside Tilora and the reference puzzle.

#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowFlag(Qt::FramelessWindowHint);
    window.setStyleSheet(QStringLiteral("background: #494949"));
    window.setGeometry(42, 142, 286, 286);
    window.show();
    return application.exec();
}
