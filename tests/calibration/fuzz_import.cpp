// The calibration table import on any file: the first byte says whether the file is named .xls
// or .txt (bit 0) and whether "Use interpolation" is checked (bits 1 and 2 both set: resampling
// costs far more than reading, so it is tried on a quarter of the inputs); the rest are the
// file's bytes. Whatever they hold, the import gives a table within its bounds, refuses the point
// count with its box, or ends with an error for the error box.
#include <cmath>
#include <cstdint>
#include <string>

#include "calibration/tableworkbook.h"
#include "tests/platform/fuzzworkbook.h"

namespace {

class FuzzPrompts : public Prompts {
public:
    int boxes = 0;
    int messageBox(const QString&, const QString& text, MsgIcon, int) override {
        FUZZ_CHECK(text == QLatin1String(PointCountText));
        ++boxes;
        return MbOk;
    }
    QString inputBox(const QString&, const QString&, const QString&) override { __builtin_trap(); }
    bool openFile(FileDialogSpec&) override { __builtin_trap(); }
    bool saveFile(FileDialogSpec&) override { __builtin_trap(); }
};

FuzzPrompts fuzzPrompts;

// The application reads the input's bytes in place of the file.
class FuzzApp : public RealWorkbookApp {
public:
    explicit FuzzApp(const std::string& bytes) : bytes_(bytes) {}

protected:
    WorkbookCells load(const QString& fileName) override {
        WorkbookCells cells = ReadWorkbookBytes(bytes_, fileName.toStdString());
        FuzzCheckCells(cells);
        return cells;
    }

private:
    const std::string& bytes_;
};

}  // namespace

namespace Services {
Prompts& prompts() { return fuzzPrompts; }
}  // namespace Services

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const QString name = data[0] & 1 ? QStringLiteral("t.txt") : QStringLiteral("t.xls");
    TableImportOptions options;
    options.interpolate = (data[0] & 6) == 6;
    static TCalTable current{};
    FuzzApp app(bytes);
    const int boxes = fuzzPrompts.boxes;
    try {
        const std::optional<TableImport> r = ImportCalTable(app, name, current, options);
        if (r) {
            FUZZ_CHECK(r->table.Count >= 11 && r->table.Count <= MaxCalPoints);
            FUZZ_CHECK(r->table.Mode <= 1);
            FUZZ_CHECK(!r->resampled || r->table.Count == MaxCalPoints);
            FUZZ_CHECK(fuzzPrompts.boxes == boxes);
        } else {
            FUZZ_CHECK(fuzzPrompts.boxes == boxes + 1);
        }
    } catch (const AppError& e) {
        FUZZ_CHECK(fuzzPrompts.boxes == boxes);
        FUZZ_CHECK(e.what()[0] != '\0');
    }
    return 0;
}
