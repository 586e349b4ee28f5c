#include "calibration/tableworkbook.h"

#include <cfloat>
#include <cmath>
#include <exception>

#include "common/numtext.h"
#include "platform/services.h"

namespace {

constexpr int FirstPointRow = 10;  // point i in row 9 + i
constexpr int MinPoints = 11;

// Closes the workbook and ends the application once, also when the import or export fails
// midway; a failure there must not hide the first error.
class Session {
public:
    explicit Session(WorkbookApp& app) : app_(app) {}
    ~Session() {
        if (ended_) return;
        try {
            app_.close();
        } catch (...) {}
        try {
            app_.quit();
        } catch (...) {}
    }
    void end() {
        ended_ = true;
        std::exception_ptr closing;
        try {
            app_.close();
        } catch (...) {
            closing = std::current_exception();
        }
        app_.quit();
        if (closing) std::rethrow_exception(closing);
    }

private:
    WorkbookApp& app_;
    bool ended_ = false;
};

float toSingle(double x) {
    if (std::isfinite(x) && std::fabs(x) > FLT_MAX) throw AppError("Floating point overflow");
    return float(x);
}

// The interpolation needs a range to spread over and levels that rise from point to point.
void checkResampling(const TCalTable& t, double maxLevel) {
    if (!(maxLevel > 0) || !std::isfinite(maxLevel))
        throw AppError("The table cannot be interpolated: its max level (cell B6) must be above 0");
    // The origin point may share the first level (a table that starts at level 0).
    if (t.Points[1].Arg < t.Points[0].Arg)
        throw AppError("The table cannot be interpolated: the level in row " + std::to_string(FirstPointRow) +
                       " lies below the origin point's level");
    for (int i = 2; i <= t.Count; ++i) {
        if (!(t.Points[i].Arg > t.Points[i - 1].Arg))
            throw AppError("The table cannot be interpolated: the levels must increase from row to row, and row " +
                           std::to_string(FirstPointRow + i - 1) + " does not");
    }
}

}  // namespace

std::optional<TableImport> ImportCalTable(WorkbookApp& app, const QString& fileName, const TCalTable& current,
                                          const TableImportOptions& options) {
    Session session(app);
    app.setVisible(false);
    app.open(fileName);
    app.activateSheet(1);

    const int n = ParseInt(app.cellText(4, 2).toStdString());
    if (n < MinPoints || n > MaxCalPoints) {
        session.end();
        Services::prompts().messageBox(QString::fromLatin1(PointCountCaption), QString::fromLatin1(PointCountText),
                                       MsgIcon::None, MbOk);
        return std::nullopt;
    }

    auto r = std::make_optional<TableImport>();
    const QString modeText = app.cellText(5, 2);
    const double maxLevel = app.cellNumber(6, 2);
    app.cellNumber(7, 2);  // the max volume is read and not used
    r->fileStep = app.cellText(3, 2);
    // A volume-to-level table keeps its mode, so that its export writes it back as such.
    const uint8_t mode = modeText == QLatin1String("0") ? 0 : 1;
    if (options.checkLayout) options.checkLayout(r->fileStep, mode);

    TCalTable& t = r->table;
    t = current;
    t.Mode = mode;
    t.Count = uint16_t(n);
    for (int i = 1; i <= n; ++i) {
        t.Points[i].Arg = toSingle(app.cellNumber(FirstPointRow + i - 1, 1));
        t.Points[i].Value = toSingle(app.cellNumber(FirstPointRow + i - 1, 2));
    }
    session.end();

    if (n < MaxCalPoints && options.interpolate && mode == 1) {
        checkResampling(t, maxLevel);
        r->resampled = true;
        r->source = t;
        const double d = maxLevel / MaxCalPoints;
        int from = 0;  // the levels rise, so each search goes on from the last window
        for (int i = 0; i <= MaxCalPoints; ++i) {
            const double x = i * d;
            t.Points[i].Arg = float(x);
            t.Points[i].Value = float(LagrangeInterpolateFrom(x, r->source, from));
        }
        t.Count = MaxCalPoints;
    }

    const double s = double(t.Points[2].Arg) - double(t.Points[1].Arg);
    r->step = QString::fromStdString(FormatGeneral(s));
    t.Step = float(s);
    return r;
}

void ExportCalTable(WorkbookApp& app, const QString& fileName, const TCalTable& table) {
    Session session(app);
    const int count = std::min<int>(table.Count, MaxCalPoints);
    const TCalPoint& last = table.Points[count];
    app.setVisible(true);
    app.add();
    app.activateSheet(1);
    app.setCellText(1, 1, QStringLiteral("Pointer"));
    app.setCellText(1, 2, QStringLiteral("10"));
    app.setCellText(2, 1, QStringLiteral("Version"));
    app.setCellText(2, 2, QStringLiteral("10"));
    app.setCellText(3, 1, QStringLiteral("Step"));
    app.setCellFloat(3, 2, table.Step);
    app.setCellText(4, 1, QStringLiteral("Points"));
    app.setCellInteger(4, 2, count);
    app.setCellText(5, 1, QStringLiteral("1- l/mm 0 - mm/l"));
    app.setCellText(5, 2, table.Mode != 0 ? QStringLiteral("1") : QStringLiteral("0"));
    app.setCellText(6, 1, QStringLiteral("Max level"));
    app.setCellFloat(6, 2, last.Arg);
    app.setCellText(7, 1, QStringLiteral("Max Volume"));
    app.setCellFloat(7, 2, last.Value);
    for (int i = 1; i <= count; ++i) {
        app.setCellFloat(FirstPointRow + i - 1, 1, table.Points[i].Arg);
        app.setCellFloat(FirstPointRow + i - 1, 2, table.Points[i].Value);
    }
    app.saveAs(fileName);
    session.end();
}

FileDialogSpec TableOpenDialogSpec() {
    FileDialogSpec d;
    d.title = QStringLiteral("Read Calibration table from:");
    d.filter = QStringLiteral("Excel files (*.xls) :|*.xls|Text files (*.txt):|*.txt");
    d.defaultSuffix = QStringLiteral("xls");
    d.initialDir = QStringLiteral("data");
    d.pathMustExist = true;
    d.fileMustExist = true;
    return d;
}

FileDialogSpec TableSaveDialogSpec() {
    FileDialogSpec d;
    d.title = QStringLiteral("Save to Calibration Table");
    d.filter = QStringLiteral("Excel files (*.xls) : |*.xls");
    d.defaultSuffix = QStringLiteral("xls");
    d.initialDir = QStringLiteral("data");
    d.overwritePrompt = true;
    d.createPrompt = true;
    d.pathMustExist = true;
    return d;
}
