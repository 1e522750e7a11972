#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tidelumine"));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Tidelumine"));
    window.resize(1200, 800);
    window.show();
    return QApplication::exec();
}
