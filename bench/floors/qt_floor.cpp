// The floor for brenix's start-up: a plain Qt 6 program that maps the dialog's 16
// controls (two frames, eight labels, four boxes, two buttons) in a tool window of its
// size, or with --empty the tool window alone. No registry, no file, no bus.
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>
#include <cstring>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window(nullptr, Qt::Tool | Qt::WindowStaysOnTopHint);
    const bool empty = argc >= 2 && std::strcmp(argv[1], "--empty") == 0;
    window.setWindowTitle(empty ? QStringLiteral("Qt floor, empty") : QStringLiteral("Qt floor"));
    window.setFixedSize(323, 222);
    if (!empty) {
        for (int frame = 0; frame < 2; ++frame) {
            auto* box = new QGroupBox(QStringLiteral("Frame"), &window);
            box->setGeometry(8, 8 + frame * 100, 209, 90);
            for (int row = 0; row < 2; ++row) {
                (new QLabel(QStringLiteral("Low State"), box))
                    ->setGeometry(8, 16 + row * 32, 57, 17);
                (new QLineEdit(QStringLiteral("0.0"), box))->setGeometry(80, 16 + row * 32, 73, 25);
                (new QLabel(QStringLiteral("dB"), box))->setGeometry(160, 16 + row * 32, 17, 17);
            }
        }
        (new QPushButton(QStringLiteral("&Apply"), &window))->setGeometry(232, 144, 81, 25);
        (new QPushButton(QStringLiteral("&Cancel"), &window))->setGeometry(232, 184, 81, 25);
    }
    window.show();
    return QApplication::exec();
}
