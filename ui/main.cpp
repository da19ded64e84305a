#include <QApplication>

#include "ui/Module1.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessaroll"));
    return tessaroll::ui::Main(app);
}
