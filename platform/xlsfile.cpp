// Saving an .xls file: the document is built without Qt (xlswriter.cpp) and saved here as every
// other file of the programs is.
#include "platform/fileio.h"
#include "platform/workbookfile.h"

void WriteXlsFile(const std::string& path, const WorkbookCells& cells) {
    const std::string document = XlsDocument(cells);
    if (document.empty()) throw WorkbookError("Cannot save \"" + path + "\": the workbook could not be built");
    try {
        WriteWholeFile(QString::fromStdString(path), document.data(), document.size());
    } catch (const InOutError& e) {
        throw WorkbookError("Cannot save \"" + path + "\": " + e.what());
    }
}
