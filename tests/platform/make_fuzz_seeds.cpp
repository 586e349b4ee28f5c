// Writes the fuzz targets' first inputs into the folder given: calibration tables exported by
// our writer at a few sizes, the same as text workbooks, the workbook streams of those exports
// and of the test fixtures that other programs wrote, and for the import each file behind its
// selector byte (bit 0: a .txt name, bits 1 and 2: "Use interpolation").
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/numtext.h"
#include "platform/xlsread.h"
#include "tests/platform/tablecells.h"

namespace fs = std::filesystem;

namespace {

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
        const WorkbookCells cells = TableCells(points);
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
        } catch (const XlsFault&) {}
    }
    return 0;
}
