#include "calibration/genffctbl.h"

#include <QComboBox>
#include <QGroupBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QVBoxLayout>

#include "calibration/textgrid.h"
#include "common/consolestate.h"
#include "common/numtext.h"
#include "common/tankcfgtypes.h"
#include "platform/errorguard.h"
#include "platform/formkit.h"

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TGenffrCt::TGenffrCt(ConsoleState& console, QWidget* parent)
    : PlainDialog("GenffrCt", "Generate from formulas", parent), console_(console) {
    auto* dims = FormKit::Group(this, QStringLiteral("Tank dimentions"));
    auto* form = new QGridLayout(dims);
    auto edit = [&](const char* name, const QString& text) { return FormKit::Named(new QLineEdit(text, dims), name); };
    dim1 = edit("dim1", QStringLiteral("5"));
    dim2 = edit("dim2", QStringLiteral("1.295"));
    dim3 = edit("dim3", QStringLiteral("0.100"));
    dim4 = edit("dim4", QStringLiteral("360"));
    tankmat = FormKit::List(dims, "tankmat", {});
    tanktype = FormKit::List(dims, "tanktype", {});
    tanktype->setEditable(true);
    tanktype->setEditText(QStringLiteral("Horizontal cylinder"));
    FormKit::FitText(tanktype, tanktype->currentText());
    struct Row {
        const char* label;
        QWidget* control;
        const char* unit;
    };
    const Row rows[] = {{"Cylinder lenght", dim1, "[m]"}, {"Cylinder radius", dim2, "[m]"},
                        {"Dome height", dim3, "[m]"},     {"Tank angle", dim4, "[deg]"},
                        {"Tank material", tankmat, ""},   {"Tank type", tanktype, ""}};
    int r = 0;
    for (const Row& row : rows) {
        form->addWidget(FormKit::LabelFor(dims, QString::fromLatin1(row.label), row.control), r, 0);
        // A control without a unit takes the unit's place as well.
        if (*row.unit) {
            form->addWidget(row.control, r, 1);
            form->addWidget(new QLabel(QString::fromLatin1(row.unit), dims), r, 2);
        } else {
            form->addWidget(row.control, r, 1, 1, 2);
        }
        ++r;
    }

    grid_ = new TextGridModel(2, Rows + 1, this);
    // Before the first generation the header is empty; the columns are level and volume still.
    grid_->SetColumnNames({QStringLiteral("[mm]"), QStringLiteral("[l]")});
    wACalTable = TextGridView(this, "wACalTable", grid_, {70, 80});
    FormKit::ShowAllColumns(wACalTable);
    wACalTable->setAccessibleName(QStringLiteral("Generated table"));

    Closefrm = FormKit::Button(this, "Closefrm", QStringLiteral("Close && Dismis"));
    Closefrm->setAccessibleName(QStringLiteral("Close & Dismis"));
    GenTable = FormKit::Button(this, "GenTable", QStringLiteral("Generate Table"));
    Usetbl = FormKit::Button(this, "Usetbl", QStringLiteral("Use Table"));

    auto* left = new QVBoxLayout;
    left->addWidget(dims);
    left->addStretch();
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(GenTable);
    buttons->addWidget(Usetbl);
    buttons->addWidget(Closefrm);
    left->addLayout(buttons);
    auto* lay = new QHBoxLayout(this);
    lay->addLayout(left);
    lay->addWidget(wACalTable, 1);
    resize(520, 420);

    FormKit::TabInReadingOrder(this);

    GuardedConnect(Closefrm, &QPushButton::clicked, this, [this] { ClosefrmClick(); });
    GuardedConnect(GenTable, &QPushButton::clicked, this, [this] { GenTableClick(); });
    GuardedConnect(Usetbl, &QPushButton::clicked, this, [this] { UsetblClick(); });
}

QString TGenffrCt::Cell(int col, int row) const { return grid_->Cell(col, row); }

// Every show presets the radius from the tank's diameter (cm to m); the length stays.
void TGenffrCt::FormActivate() {
    if (console_.CurrentTank < 1 || console_.CurrentTank > MaxTanks) return;
    dim2->setText(Q(FloatToFixed(console_.ConsoleConfig.Tanks[console_.CurrentTank - 1].Diameter / 200)));
}

void TGenffrCt::showEvent(QShowEvent* e) {
    PlainDialog::showEvent(e);
    if (!e->spontaneous()) Guard([this] { FormActivate(); });
}

void TGenffrCt::GenTableClick() {
    grid_->SetCell(0, 0, QStringLiteral(" [mm] "));
    grid_->SetCell(1, 0, QStringLiteral("  [l] "));
    CylLength = ParseFloat(dim1->text().toStdString()) * 1000;
    CylRadius = ParseFloat(dim2->text().toStdString()) * 1000;
    LevelStep = CylRadius * 2 / Rows;
    // The level is accumulated row by row, so the last row lies a step below the diameter.
    std::vector<double> levels(Rows + 1);
    double h = 0;
    for (int row = 1; row <= Rows; ++row) {
        levels[size_t(row)] = h;
        h += LevelStep;
    }
    grid_->FillColumn(0, 1, Rows, [&](int row) { return Q(FloatToFixed(levels[size_t(row)])); });
    grid_->FillColumn(1, 1, Rows, [&](int row) {
        return Q(FloatToFixed(HorCylinderVolume(levels[size_t(row)], CylLength, CylRadius) / 1000000));
    });
}

void TGenffrCt::UsetblClick() { done(ResultUseTable); }

void TGenffrCt::ClosefrmClick() { done(ResultDismissed); }

void TGenffrCt::reject() { done(ResultFrameClosed); }
