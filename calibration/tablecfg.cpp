#include "calibration/tablecfg.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTableView>
#include <QVBoxLayout>
#include <QWindow>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tableworkbook.h"
#include "calibration/textgrid.h"
#include "common/consolestate.h"
#include "common/errors.h"
#include "common/numtext.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"
#include "platform/services.h"

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
std::string S(const QString& s) { return s.toStdString(); }

// The multiples of a layout's step: a blank, then the number in the general format.
QString Multiple(int k, double step) {
    const std::string t = FormatGeneral(k * step);
    QString out;
    out.reserve(int(t.size()) + 1);
    out += QLatin1Char(' ');
    out += QLatin1String(t.data(), qsizetype(t.size()));
    return out;
}
}  // namespace

template <class F>
void TCalibrationTable::run(F&& handler) {
    ++handlerDepth_;
    Guard(std::forward<F>(handler));
    --handlerDepth_;
}

TCalibrationTable::TCalibrationTable(ConsoleState& console, QWidget* parent)
    : PlainForm("CalibrationTable", "Tank calibration table", parent),
      OpenDialog1(TableOpenDialogSpec()),
      SaveDialog1(TableSaveDialogSpec()),
      console_(console) {
    grid_ = new TextGridModel(3, 2, this);
    ECalTable = TextGridView(this, "ECalTable", grid_, {30, 70, 80});
    for (int c = 0; c < 3; ++c) designWidths_[c] = ECalTable->columnWidth(c);
    ECalTable->setAccessibleName(QStringLiteral("Calibration table"));
    // Enter on a row edits its value, as a click does.
    ECalTable->installEventFilter(this);

    // The mode buttons' group has no caption on screen; a screen reader hears what it chooses.
    auto* modeBox = FormKit::Group(this, QString());
    modeBox->setAccessibleName(QStringLiteral("Table layout"));
    LitOnmm = FormKit::Named(new QRadioButton(QStringLiteral("Liters on cm"), modeBox), "LitOnmm",
                             QStringLiteral("Liters on cm"));
    mmOnLit = FormKit::Named(new QRadioButton(QStringLiteral("cm on liter"), modeBox), "mmOnLit",
                             QStringLiteral("cm on liter"));
    LitOnmm->setChecked(true);
    auto* modeLay = new QVBoxLayout(modeBox);
    modeLay->addWidget(LitOnmm);
    modeLay->addWidget(mmOnLit);

    // Only the unit stands beside the step on screen: the edit is named for what it holds.
    TblStep = FormKit::Named(new QLineEdit(QStringLiteral("1"), this), "TblStep", QStringLiteral("Step"));
    // The step a table brings is a float in the general format: fifteen digits behind "0.000"
    // at the most, and a sign.
    FormKit::FitText(TblStep, Q(FormatGeneral(-1.0 / 3000.0)));
    auto* stepUnit = new QLabel(QStringLiteral("[mm/lit]"), this);
    TblStep->setAccessibleDescription(stepUnit->text());
    auto box = [this](const char* name, const char* caption) {
        return FormKit::Named(new QCheckBox(QString::fromLatin1(caption), this), name, QString::fromLatin1(caption));
    };
    Interpchk = box("Interpchk", "Use interpolation");
    Interpchk->setChecked(true);
    ffTableSta = box("ffTableSta", "Table from file");
    fgTableSta = box("fgTableSta", "Table from formula");
    CheckBox2 = box("CheckBox2", "Integrate mode");
    CheckBox4 = box("CheckBox4", "Table from autocal ");

    formulagen = FormKit::Button(this, "formulagen", QStringLiteral("Generate from formula"));
    ACalTblB = FormKit::Button(this, "ACalTblB", QStringLiteral("Automatic calibration"));
    LoadfFile = FormKit::Button(this, "LoadfFile", QStringLiteral("Load from file"));
    applytable = FormKit::Button(this, "applytable", QStringLiteral("Apply"));
    SaveTbl2File = FormKit::Button(this, "SaveTbl2File", QStringLiteral("Save to file"));
    SendTable = FormKit::Button(this, "SendTable", QStringLiteral("Send to Terminal"));
    cancelBt = FormKit::Button(this, "cancelBt", QStringLiteral("Cancel"));
    ViewChart = FormKit::Button(this, "ViewChart", QStringLiteral("View as Chart"));
    Getftrmb = FormKit::Button(this, "Getftrmb", QStringLiteral("Get from Terminal"));

    // The unit stands above the step, which takes the column's width: a step with fifteen
    // digits shows whole beside a grid whose columns show theirs.
    auto* side = new QVBoxLayout;
    side->setSpacing(4);
    side->addWidget(modeBox);
    side->addWidget(stepUnit);
    side->addWidget(TblStep);
    for (QCheckBox* c : {Interpchk, ffTableSta, fgTableSta, CheckBox2, CheckBox4}) side->addWidget(c);
    side->addStretch();
    for (QPushButton* b :
         {formulagen, ACalTblB, LoadfFile, SaveTbl2File, Getftrmb, ViewChart, applytable, SendTable, cancelBt})
        side->addWidget(b);
    auto* lay = new QHBoxLayout(this);
    lay->addWidget(ECalTable, 1);
    lay->addLayout(side);
    resize(560, 520);
    FormKit::TabInReadingOrder(this);

    auto onClick = [this](QPushButton* b, void (TCalibrationTable::*h)()) {
        connect(b, &QPushButton::clicked, this, [this, h] { run([this, h] { (this->*h)(); }); });
    };
    onClick(formulagen, &TCalibrationTable::formulagenClick);
    onClick(ACalTblB, &TCalibrationTable::ACalTblBClick);
    onClick(LoadfFile, &TCalibrationTable::LoadfFileClick);
    onClick(applytable, &TCalibrationTable::applytableClick);
    onClick(SaveTbl2File, &TCalibrationTable::SaveTbl2FileClick);
    onClick(SendTable, &TCalibrationTable::SendTableClick);
    onClick(cancelBt, &TCalibrationTable::cancelBtClick);
    onClick(ViewChart, &TCalibrationTable::ViewChartClick);
    // A layout runs whenever its button becomes checked, by the user or by the program.
    connect(LitOnmm, &QRadioButton::toggled, this, [this](bool on) {
        if (on) run([this] { LitOnmmClick(); });
    });
    connect(mmOnLit, &QRadioButton::toggled, this, [this](bool on) {
        if (on) run([this] { mmOnLitClick(); });
    });
    connect(ECalTable, &QTableView::clicked, this,
            [this](const QModelIndex& idx) { run([this, r = GridRowOf(idx)] { ECalTableClick(r); }); });
    GuardedConnect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* w) { noteFocus(w); });

    FormCreate();
    fitColumns();
}

void TCalibrationTable::AttachWindows(TAutoCalTbl* autoCal, TCalTChart* chart, TGenffrCt* generator) {
    AutoCalTbl = autoCal;
    CalTChart = chart;
    GenffrCt = generator;
}

void TCalibrationTable::FormCreate() {
    grid_->SetCell(0, 0, QStringLiteral(" No"));
    grid_->SetCell(1, 0, QStringLiteral(" [mm]"));
    grid_->SetCell(2, 0, QStringLiteral("  [lit]"));
    grid_->SetRowCount(2);
}

int TCalibrationTable::RowCount() const { return grid_->RowCount(); }
void TCalibrationTable::SetRowCount(int rows) { grid_->SetRowCount(rows); }
QString TCalibrationTable::Cell(int col, int row) const { return grid_->Cell(col, row); }
void TCalibrationTable::SetCell(int col, int row, const QString& text) { grid_->SetCell(col, row, text); }

TTankRecord* TCalibrationTable::currentTank() const {
    if (console_.CurrentTank < 1 || console_.CurrentTank > MaxTanks) return nullptr;
    return &console_.ConsoleConfig.Tanks[console_.CurrentTank - 1];
}

uint8_t TCalibrationTable::storeTank() const {
    const uint8_t n = tableTank_ ? tableTank_ : console_.CurrentTank;
    return n >= 1 && n <= MaxTanks ? n : 0;
}

void TCalibrationTable::ShowTankInCaption(uint8_t n) {
    setWindowTitle(QStringLiteral("Calibration table for tank No: \"%1\"").arg(n));
}

// ---------------------------------------------------------------------------------------
// Activation

void TCalibrationTable::FormActivate() {
    TTankRecord* tank = currentTank();
    if (!tank) return;
    // A copy of another tank's table than before: the caption names the tank it came from.
    if (tableTank_ && tableTank_ != console_.CurrentTank) ShowTankInCaption(console_.CurrentTank);
    Table = tank->CalTable;
    tableTank_ = console_.CurrentTank;
}

void TCalibrationTable::noteFocus(QWindow* w) {
    if (!w || w == windowHandle()) return;
    lastOther_ = w;
    if (handlerDepth_ > 0 && w->modality() != Qt::NonModal) {
        ownModal_.removeAll(QPointer<QWindow>());
        if (!ownModal_.contains(w)) ownModal_.append(w);
    }
}

bool TCalibrationTable::returnFromOwnModal() const {
    // While a handler runs, an activation can only come from the closing of a dialog it
    // opened; on a real display the one a closed dialog hands back may come later, and the
    // window active before it tells.
    if (handlerDepth_ > 0) return true;
    return lastOther_ && ownModal_.contains(lastOther_);
}

void TCalibrationTable::showEvent(QShowEvent* e) {
    PlainForm::showEvent(e);
    // Opening the editor takes the current tank's table afresh; the grid stays as it was left.
    // A window restored from an icon is shown by the system, not opened.
    if (!e->spontaneous()) run([this] { FormActivate(); });
}

bool TCalibrationTable::eventFilter(QObject* watched, QEvent* e) {
    if (watched == ECalTable && e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && ECalTable->currentIndex().isValid()) {
            run([this, r = GridRowOf(ECalTable->currentIndex())] { ECalTableClick(r); });
            return true;
        }
    }
    return PlainForm::eventFilter(watched, e);
}

bool TCalibrationTable::event(QEvent* e) {
    // A return from another window keeps a table not yet applied, unless the current tank
    // changed meanwhile: then the copy belongs to another tank and is taken afresh.
    if (e->type() == QEvent::WindowActivate && isVisible() && !returnFromOwnModal() &&
        console_.CurrentTank != tableTank_)
        run([this] { FormActivate(); });
    return PlainForm::event(e);
}

// ---------------------------------------------------------------------------------------
// Storing and sending

// The table goes back into the tank it was copied from, whatever tank the other windows
// have moved to since: the copy and the caption belong to that tank.
void TCalibrationTable::applytableClick() {
    if (const uint8_t n = storeTank()) console_.ConsoleConfig.Tanks[n - 1].CalTable = Table;
}

void TCalibrationTable::SendTableClick() {
    // The window closes when the transfer is over, however it ended.
    struct HideAfter {
        QWidget* w;
        ~HideAfter() { w->hide(); }
    } hideAfter{this};
    uint8_t n = storeTank();
    applytableClick();
    if (n) console_.SendCalibrationTable(n);
}

void TCalibrationTable::cancelBtClick() { hide(); }

// ---------------------------------------------------------------------------------------
// Layouts

int TCalibrationTable::LayoutRows(const QString& stepText, bool levelToVolume) {
    const double step = ParseFloat(S(stepText));
    if (step == 0) throw AppError("Floating point division by zero");
    const double rows = (levelToVolume ? 4000.0 : 22000.0) / step;
    // A negative step, or one beyond the span, leaves the header row alone.
    if (!(rows >= 1)) return 1;
    if (rows >= MaxLayoutRows) return MaxLayoutRows;
    return int(std::nearbyint(rows));  // halves to even
}

void TCalibrationTable::layout(bool levelToVolume) {
    grid_->SetCell(0, 0, QStringLiteral(" No"));
    grid_->SetCell(1, 0, levelToVolume ? QStringLiteral(" [mm]") : QStringLiteral("  [lit]"));
    grid_->SetCell(2, 0, levelToVolume ? QStringLiteral("  [lit]") : QStringLiteral(" [mm]"));
    const int n = LayoutRows(TblStep->text(), levelToVolume);
    const double step = ParseFloat(S(TblStep->text()));
    grid_->SetRowCount(n);
    grid_->FillColumn(levelToVolume ? 2 : 1, 1, n - 1, [step](int k) { return Multiple(k, step); });
    fitColumns();
}

void TCalibrationTable::fitColumns() {
    // Model row r is grid row r + 1 (grid row 0 is the header).
    for (int c = 0; c < 3; ++c)
        FormKit::FitColumn(ECalTable, c, designWidths_[c],
                           [this, c](int r) -> const QString& { return grid_->CellText(c, r + 1); });
    FormKit::ShowAllColumns(ECalTable);
}

void TCalibrationTable::CheckLayoutButton(bool levelToVolume) {
    QRadioButton* b = levelToVolume ? LitOnmm : mmOnLit;
    if (b->isChecked()) return;
    {
        const QSignalBlocker quietLevel(LitOnmm);
        const QSignalBlocker quietVolume(mmOnLit);
        b->setChecked(true);
    }
    layout(levelToVolume);
}

void TCalibrationTable::LitOnmmClick() { layout(true); }

void TCalibrationTable::mmOnLitClick() { layout(false); }

// ---------------------------------------------------------------------------------------
// Editing a value

void TCalibrationTable::ECalTableClick(int r) {
    if (r < 1 || r >= grid_->RowCount()) return;
    const QString caption = QStringLiteral("Change value for :") + grid_->Cell(1, r) + grid_->Cell(0, 0);
    const QString answer = Services::prompts().inputBox(caption, QStringLiteral("Enter new value:"), grid_->Cell(2, r));
    grid_->SetCell(2, r, answer);
    fitColumns();
    const double value = ParseFloat(S(answer));
    // Rows past the last point are the grid's alone: no table value stands behind them.
    if (r <= MaxCalPoints) Table.Points[r].Value = float(value);
}

// ---------------------------------------------------------------------------------------
// Generator and automatic calibration

void TCalibrationTable::formulagenClick() {
    if (GenffrCt->exec() <= 10) return;
    // Every row is read before anything changes: a grid that was never generated is refused
    // whole, and the editor is left as it was.
    constexpr int rows = TGenffrCt::Rows;
    std::vector<TCalPoint> points(rows + 1);
    for (int r = 1; r <= rows; ++r) {
        points[size_t(r)].Arg = float(ParseFloat(S(GenffrCt->Cell(0, r))));
        points[size_t(r)].Value = float(ParseFloat(S(GenffrCt->Cell(1, r))));
    }
    Table.Count = rows;
    grid_->SetRowCount(rows + 1);
    Table.Mode = 1;
    grid_->FillColumn(0, 1, rows, [](int r) { return QString::number(r); });
    grid_->FillColumn(1, 1, rows, [this](int r) { return GenffrCt->Cell(0, r); });
    grid_->FillColumn(2, 1, rows, [this](int r) { return GenffrCt->Cell(1, r); });
    for (int r = 1; r <= rows; ++r) Table.Points[r] = points[size_t(r)];
    Table.Step = float(GenffrCt->LevelStep);
    FormulaTable = Table;
    TblStep->setText(Q(FormatGeneral(double(Table.Step))));
    fgTableSta->setChecked(true);
    fitColumns();
}

void TCalibrationTable::ACalTblBClick() { AutoCalTbl->exec(); }

// ---------------------------------------------------------------------------------------
// Chart

void TCalibrationTable::ViewChartClick() {
    auto fill = [this](TCalTChart::Series s, const TCalTable& t, const QColor& colour) {
        CalTChart->Clear(s);
        const int n = CalPointsInUse(t);
        for (int i = 0; i <= n; ++i) CalTChart->AddXY(s, t.Points[i].Arg, t.Points[i].Value, colour);
    };
    fill(TCalTChart::SeriesTable, Table, QColor(255, 0, 0));
    if (ffTableSta->isChecked()) fill(TCalTChart::SeriesFromFile, FileTable, QColor(0, 0, 255));
    if (fgTableSta->isChecked()) fill(TCalTChart::SeriesFromFormula, FormulaTable, QColor(0, 128, 0));
    CalTChart->show();
    CalTChart->raise();
    CalTChart->activateWindow();
}

// ---------------------------------------------------------------------------------------
// Workbook

void TCalibrationTable::LoadfFileClick() {
    // The application object comes before the dialog, and goes when the handler ends.
    const std::unique_ptr<WorkbookApp> app = Services::workbooks().create();
    if (!Services::prompts().openFile(OpenDialog1)) return;
    TableImportOptions options;
    options.interpolate = Interpchk->isChecked();
    // Only a mode that changes runs its layout; a step that layout would refuse ends the import
    // before anything here has changed.
    options.checkLayout = [this](const QString& stepText, uint8_t mode) {
        const bool levelToVolume = mode != 0;
        if (!(levelToVolume ? LitOnmm : mmOnLit)->isChecked()) LayoutRows(stepText, levelToVolume);
    };
    const std::optional<TableImport> r = ImportCalTable(*app, OpenDialog1.fileName, Table, options);
    if (!r) return;

    // The file's step is in the step edit while the mode's layout runs.
    TblStep->setText(r->fileStep);
    CheckLayoutButton(r->table.Mode != 0);
    if (r->resampled) {
        SrcTable = r->source;
        FileTable = r->source;
    }
    ffTableSta->setChecked(r->resampled);
    Table = r->table;

    const int n = CalPointsInUse(Table);
    grid_->SetRowCount(n + 1);
    TblStep->setText(r->step);
    grid_->FillColumn(0, 1, n, [](int i) { return QString::number(i); });
    grid_->FillColumn(1, 1, n, [this](int i) { return Q(FormatGeneral(double(Table.Points[i].Arg))); });
    grid_->FillColumn(2, 1, n, [this](int i) { return Q(FormatGeneral(double(Table.Points[i].Value))); });
    fitColumns();
}

void TCalibrationTable::SaveTbl2FileClick() {
    if (!Services::prompts().saveFile(SaveDialog1)) return;
    ExportCalTable(*Services::workbooks().create(), SaveDialog1.fileName, Table);
}
