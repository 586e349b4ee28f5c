// What bench_startup measures the programs against: a bare toolkit window showing one label.
#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("Vantrel config"));
    label.show();
    return app.exec();
}
