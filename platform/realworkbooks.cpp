#include "platform/services.h"
#include "platform/workbook.h"

void Services::installRealWorkbooks() {
    static RealWorkbooks workbooks;
    installWorkbooks(&workbooks);
}
