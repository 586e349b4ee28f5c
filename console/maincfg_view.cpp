// The "Terminal config" page filled from the configuration, the count spin edits and the
// doors to the tank window and the MDI unit editor.
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableWidget>
#include <algorithm>

#include "calibration/tankcfg.h"
#include "common/cp1251.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "console/mdicf.h"

namespace {
void setCell(QTableWidget* grid, int r, int c, const QString& text) {
    if (r < 0 || r >= grid->rowCount() || c >= grid->columnCount()) return;
    if (auto* item = grid->item(r, c))
        item->setText(text);
    else
        grid->setItem(r, c, new QTableWidgetItem(text));
}

QString fromRecord(const std::string& s) { return QString::fromStdString(Cp1251ToUtf8(s)); }
}  // namespace

void TMainConfig::FillTankRow(int r) {
    if (r < 1 || r > MaxTanks) return;
    const TTankRecord& t = session_.ConsoleConfig.Tanks[r - 1];
    QString id;
    for (uint8_t b : t.ProbeId) id += QStringLiteral(" %1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    setCell(Tanks_list, r, 0, QStringLiteral("  %1").arg(r));
    setCell(Tanks_list, r, 1, id);
    setCell(Tanks_list, r, 2, QString::fromStdString(FormatFloatF(t.Capacity, 8, 0)));
    setCell(Tanks_list, r, 3, fromRecord(t.ProductName.str()));
    setCell(Tanks_list, r, 4, QStringLiteral(" UNKNOWN "));
}

void TMainConfig::FillMdiRow(int r) {
    if (r < 1 || r > MaxMdiUnits) return;
    const TMdiUnitRecord& u = session_.ConsoleConfig.Mdi[r - 1];
    setCell(MDIList, r, 0, QStringLiteral(" %1").arg(r));
    setCell(MDIList, r, 1, QString::number(u.Address));
    setCell(MDIList, r, 2, fromRecord(u.Name.str()));
    setCell(MDIList, r, 3, QStringLiteral(" - "));
}

void TMainConfig::ShowConsoleConfig() {
    const TConsoleConfig& cfg = session_.ConsoleConfig;
    // A change of what a count shows runs its change handler at once, nested.
    Noftanks->setValue(cfg.TankCount);
    trmLang->setCurrentIndex(cfg.Language <= 4 ? cfg.Language : -1);
    (cfg.Units == 0 ? metricu : usunit)->setChecked(true);
    dbsave->setText(QString::number(cfg.DbSaveTime));
    reftemp->setText(QString::number(cfg.RefTemp));
    TrmID->setText(fromRecord(cfg.TerminalId.str()));
    MdiUv->setValue(cfg.MdiCount);
    for (int r = 1; r <= Noftanks->value(); ++r) FillTankRow(r);
    for (int r = 1; r <= MdiUv->value(); ++r) FillMdiRow(r);
}

void TMainConfig::set_new_NoT() {
    const int v = Noftanks->value();
    if (v >= Tanks_list->rowCount() && !keepRecords_) SetTankDefaults(session_.ConsoleConfig.Tanks[v - 1]);
    Tanks_list->setRowCount(v + 1);
    FillTankRow(v);
    if (!keepRecords_) session_.ConsoleConfig.TankCount = uint8_t(v);
    ShowConsoleConfig();
}

void TMainConfig::MdiUvChange() {
    session_.SelectedMdi = 1;
    const int v = MdiUv->value();
    if (v >= 1 && v + 1 >= MDIList->rowCount() && !keepRecords_) SetMdiUnitDefaults(session_.ConsoleConfig.Mdi[v - 1]);
    if (v <= 0) {
        MDIList->setRowCount(2);
        setCell(MDIList, 1, 0, QStringLiteral(" --"));
        setCell(MDIList, 1, 1, QStringLiteral(" --"));
        setCell(MDIList, 1, 2, QStringLiteral(" ----------------"));
        setCell(MDIList, 1, 3, QStringLiteral("-"));
    } else {
        MDIList->setRowCount(v + 1);
        FillMdiRow(v);
    }
    if (!keepRecords_) session_.ConsoleConfig.MdiCount = uint8_t(std::max(v, 0));
    ShowConsoleConfig();
}

void TMainConfig::Tanks_listClick(int row) {
    if (row >= 1 && row <= MaxTanks) session_.CurrentTank = uint8_t(row);
}

void TMainConfig::MDIListClick(int row) {
    if (row >= 1 && row <= MaxMdiUnits) session_.SelectedMdi = uint8_t(row);
}

void TMainConfig::Edit_t_dataClick() {
    if (session_.TerminalOperationRefused()) return;
    SyncGlobalConfig();
    if (!tankconfig) return;
    tankconfig->TankNo = session_.CurrentTank;
    tankconfig->show();
    tankconfig->raise();
    tankconfig->activateWindow();
}

namespace {
// The editor opens on a unit that exists: never on unit 0, never past the records.
void openMdiEditor(const ConsoleSession& session, Tmdicfg* editor) {
    const int last = std::min<int>(session.ConsoleConfig.MdiCount, MaxMdiUnits);
    if (!editor || last < 1) return;
    editor->UnitNo = uint8_t(std::clamp<int>(session.SelectedMdi, 1, last));
    const bool wasShown = editor->isVisible();
    editor->show();
    editor->raise();
    editor->activateWindow();
    if (wasShown) editor->FormActivate();
}
}  // namespace

void TMainConfig::MdiCfgbClick() {
    if (session_.TerminalOperationRefused()) return;
    SyncGlobalConfig();
    openMdiEditor(session_, mdicfg);
}

void TMainConfig::MDIListDblClick(int) { openMdiEditor(session_, mdicfg); }
