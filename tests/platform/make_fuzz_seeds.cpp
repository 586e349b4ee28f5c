// Writes the fuzz targets' first inputs into the folder given: calibration tables exported by
// our writer at a few sizes, the same as text workbooks, the workbook streams of those exports
// and of the test fixtures that other programs wrote, and for the import each file behind its
// selector byte (bit 0: a .txt name, bits 1 and 2: "Use interpolation").
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/numtext.h"
#include "platform/xlsread.h"

namespace fs = std::filesystem;

namespace {

WorkbookCells table(int points) {
    WorkbookCells c;
    const char* a[] = {"Pointer", "Version", "Step", "Points", "1- l/mm 0 - mm/l", "Max level", "Max Volume"};
    for (int r = 1; r <= 7; ++r) c[{r, 1}] = CellValue::ofText(a[r - 1]);
    c[{1, 2}] = CellValue::ofText("10");
    c[{2, 2}] = CellValue::ofText("10");
    c[{3, 2}] = CellValue::ofNumber(double(0.5f));
    c[{4, 2}] = CellValue::ofNumber(points);
    c[{5, 2}] = CellValue::ofText(points % 2 ? "1" : "0");
    for (int i = 1; i <= points; ++i) {
        c[{9 + i, 1}] = CellValue::ofNumber(double(float(i * 0.5)));
        c[{9 + i, 2}] = CellValue::ofNumber(double(float(3 * i + 40 * std::sin(i / 30.0))));
    }
    c[{6, 2}] = c[{9 + points, 1}];
    c[{7, 2}] = c[{9 + points, 2}];
    return c;
}

std::string text(const WorkbookCells& cells) {
    std::string out;
    int row = 1;
    int col = 1;
    for (const auto& [pos, cell] : cells) {
        for (; row < pos.first; ++row, col = 1) out += "\r\n";
        for (; col < pos.second; ++col) out += '\t';
        out += cell.kind == CellValue::Number ? FormatGeneral(cell.number) : "\"" + cell.text + "\"";
    }
    return out + "\r\n";
}

std::string readFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

void writeFile(const fs::path& p, const std::string& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const fs::path out = argv[1];
    const fs::path fixtures = argv[2];
    // Each short run starts again from these alone: what the last one found goes.
    fs::remove_all(out);
    for (const char* kind : {"xls", "txt", "import"}) fs::create_directories(out / kind);
    int n = 0;
    for (const int points : {1, 11, 21, 1000}) {
        const WorkbookCells cells = table(points);
        const fs::path xls = out / "xls" / ("table" + std::to_string(points) + ".xls");
        const std::string file = XlsDocument(cells);
        writeFile(xls, file);
        writeFile(out / "xls" / ("table" + std::to_string(points) + ".stream"), WorkbookStreamOf(file));
        const std::string txt = text(cells);
        writeFile(out / "txt" / ("table" + std::to_string(points) + ".txt"), txt);
        for (const char selector : {'\0', '\6'}) {
            writeFile(out / "import" / std::to_string(n++), selector + file);
            writeFile(out / "import" / std::to_string(n++), char(selector | 1) + txt);
        }
    }
    for (const auto& entry : fs::directory_iterator(fixtures)) {
        if (entry.path().extension() != ".xls") continue;
        const std::string file = readFile(entry.path());
        writeFile(out / "import" / std::to_string(n++), '\6' + file);
        try {
            writeFile(out / "xls" / (entry.path().stem().string() + ".stream"), WorkbookStreamOf(file));
        } catch (const XlsFault&) {
        }
    }
    return 0;
}
