#pragma once
// The first sheet of an .xls file as an independent reader sees it: xlrd, run by the system's
// Python (a Python earlier on PATH may lack it).
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <cstdlib>

#include "platform/workbookfile.h"

struct XlrdSheet {
    bool ok = false;
    QString error;  // what xlrd said when it could not read the file
    int rows = 0;
    int cols = 0;
    int strings = 0;  // entries of the shared string table
    WorkbookCells cells;
    int others = 0;  // cells that are neither texts nor numbers

    explicit XlrdSheet(const QString& path) {
        QProcess p;
        p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral(TANKCFG_TEST_DATA "/../xlrdsheet.py"), path});
        if (!p.waitForFinished(120000) || p.exitCode() != 0) {
            error = QString::fromUtf8(p.readAllStandardError());
            return;
        }
        const QJsonObject o = QJsonDocument::fromJson(p.readAllStandardOutput()).object();
        rows = o.value(QLatin1String("rows")).toInt();
        cols = o.value(QLatin1String("cols")).toInt();
        strings = o.value(QLatin1String("strings")).toInt();
        for (const QJsonValue& v : o.value(QLatin1String("cells")).toArray()) {
            const QJsonArray c = v.toArray();
            const std::pair<int, int> at{c[0].toInt(), c[1].toInt()};
            const QString kind = c[2].toString();
            if (kind == QLatin1String("n"))
                cells[at] = CellValue::ofNumber(std::strtod(c[3].toString().toLatin1().constData(), nullptr));
            else if (kind == QLatin1String("t"))
                cells[at] = CellValue::ofText(c[3].toString().toStdString());
            else
                ++others;
        }
        ok = true;
    }
};
