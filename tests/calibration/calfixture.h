#pragma once
// Marvane's calibration windows on simulated time and prompts: the editor shown on tank 1,
// with helpers to drive the generator, the grid and the chart.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTableView>
#include <QtTest>
#include <cmath>

#include "calibration/autoctbl.h"
#include "calibration/ctblch.h"
#include "calibration/genffctbl.h"
#include "calibration/tablecfg.h"
#include "common/numtext.h"
#include "tests/console/consolefixture.h"

struct CalFixture : ConsoleFixture {
    TCalibrationTable* ed = nullptr;

    explicit CalFixture(bool showEditor = true, bool connectTerminal = false) : ConsoleFixture(connectTerminal) {
        env.prompts.acceptAny(false);
        ed = forms().CalibrationTable;
        // The generator's own default cylinder: radius 1.295 m.
        tank(1).Diameter = 259.0;
        tank(2).Diameter = 259.0;
        w->show();
        if (showEditor) {
            ed->show();
            env.clock.settle();
        }
    }

    TTankRecord& tank(int n) { return session().ConsoleConfig.Tanks[n - 1]; }

    // Runs fn while the modal window w is open, once it is shown.
    void whileModal(QWidget* w, std::function<void()> fn) {
        env.clock.after(0, [w, fn = std::move(fn)] {
            QVERIFY(w->isVisible());
            fn();
        });
    }
    // "Generate from formula", then in the generator: optionally "Generate Table", then the
    // given button.
    void generate(bool doGenerate = true, QPushButton* leave = nullptr) {
        whileModal(forms().GenffrCt, [this, doGenerate, leave] {
            if (doGenerate) forms().GenffrCt->GenTable->click();
            (leave ? leave : forms().GenffrCt->Usetbl)->click();
        });
        ed->formulagen->click();
        env.clock.settle();
    }

    // A layout with the given step.
    void layout(const char* step, bool volumeOnLevel) {
        ed->TblStep->setText(QString::fromLatin1(step));
        QRadioButton* b = volumeOnLevel ? ed->LitOnmm : ed->mmOnLit;
        if (b->isChecked()) (volumeOnLevel ? ed->mmOnLit : ed->LitOnmm)->setChecked(true);
        b->click();
    }

    // A click on grid row r (1 = first data row).
    void clickRow(int r) {
        QTableView* v = ed->ECalTable;
        const QModelIndex idx = v->model()->index(r - 1, 1);
        v->scrollTo(idx);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, {}, v->visualRect(idx).center());
        env.clock.settle();
    }

    // Makes w the active window, as a click on it would.
    void activate(QWidget* w) {
        w->activateWindow();
        env.clock.settle();
        QVERIFY(QApplication::activeWindow() == w);
    }
};

// Two tables alike but for the checksum, which a send computes into the tank's record.
inline bool SameButCrc(TCalTable a, TCalTable b) {
    a.Crc = b.Crc = 0;
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A table whose points are recognisable: Arg = i, Value = i * factor.
inline void FillTable(TCalTable& t, int count, float factor) {
    t.Count = uint16_t(count);
    t.Mode = 1;
    t.Step = 1.0f;
    for (int i = 0; i <= MaxCalPoints; ++i) {
        t.Points[i].Arg = float(i);
        t.Points[i].Value = float(i) * factor;
    }
}
