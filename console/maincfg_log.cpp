// The traffic log, the numbered reports and the log window's copy.
#include "platform/loglist.h"
#include <QLocale>
#include <algorithm>
#include <cstring>

#include "common/cp1251.h"
#include "console/logform.h"
#include "console/maincfg.h"
#include "platform/services.h"

namespace {
bool isModuleFrame(const std::string& line) { return line.size() >= 3 && line[1] == 'A' && line[2] == '6'; }

QString stamp() {
    const QDateTime now = Services::clock().now();
    const QLocale loc = QLocale::system();
    return loc.toString(now.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
           loc.toString(now.time(), QLocale::LongFormat);
}

struct Report {
    int code;
    const char* caption;  // null: no box
    const char* box;
    const char* log;  // null: an empty text
};

constexpr Report kReports[] = {
    {rcAddressSet, "Info", "  Info : \r\r The address was\r set succesfull !", nullptr},
    {rcProbeAck, nullptr, nullptr, nullptr},
    {rcGlobalSet, nullptr, nullptr, "Info : Global config was set succesfull !"},
    {rcTankSet, nullptr, nullptr, "Info : Tank config was set succesfull !"},
    {rcGlobalSetError, nullptr, nullptr, " ERROR No: 60 Error Set Global config !"},
    {rcTankSetError, nullptr, nullptr, " ERROR No: 60 Error Set Tank config !"},
    {rcNotConnected, "Error", "  ERROR No: 100 \r\r Not connected \r to RS485 Network !",
     "Not connected to RS485 Network! "},
    {rcProbeNetOpen, "Error", "   ERROR No: 101 \r\r Already connected to \"Probe Net\"!\r Disconnect first!", nullptr},
    {rcTerminalOpen, "Error", "   ERROR No: 102 \r\r Already connected to Terminal !\r Disconnect first!", nullptr},
    {rcProbeTimeout, nullptr, nullptr, "Probe Net Time out waiting for responce !"},
    {rcTerminalTimeout, nullptr, nullptr, "Terminal Time out waiting for responce !"},
    {rcProbeCrcError, nullptr, nullptr, "CRC ERROR during RECEIVE from Probe !"},
    {rcModuleCrcError, nullptr, nullptr, "CRC ERROR during RECEIVE from Module !"},
    {rcBadMessage, nullptr, nullptr, "RECEVED Message ERROR!"},
    {rcMeasureError, nullptr, nullptr, "Internal error during meshurment !"},
};
}  // namespace

void TMainConfig::AddLogLine(const std::string& text, const char* prefix) {
    const std::string given = text.substr(0, 255);
    std::string message = given;
    if (!given.empty() && given[0] == '\r') {
        // A frame line loses its carriage return and line feed.
        message.erase(0, 1);
        if (!message.empty()) message.pop_back();
    }
    const QString line = stamp() + QString::fromLatin1(prefix) + QString::fromStdString(Cp1251ToUtf8(message));
    PrLogwin->insertLine(0, line);
    if (isModuleFrame(given)) LRMLogB->insertLine(0, line);
    if (std::strcmp(prefix, LogPrefixError) == 0 && isModuleFrame(probeBus_->lastTx())) LRMLogB->insertLine(0, line);
}

void TMainConfig::LogTerminalPiece(const std::string& text) {
    PrLogwin->insertLine(0, QString::fromStdString(Cp1251ToUtf8(text)));
}

void TMainConfig::LogTerminalBytes(const TLineBuffer& line) {
    std::string text = "RS232:";
    const int n = std::clamp<int>(line.Len, 0, LineBufferSize);
    for (int i = 0; i < n; ++i) {
        const char c = char(line.Data[i]);
        text += c == '\r' ? '<' : c == '\n' ? '>' : c;
        if (i == 90 || i == 180) {
            LogTerminalPiece(text);
            text.assign(1, '#');
        }
    }
    LogTerminalPiece(text);
}

void TMainConfig::ReportCode(int code) {
    const char* log = nullptr;
    for (const Report& r : kReports) {
        if (r.code != code) continue;
        if (r.caption)
            Services::prompts().messageBox(QString::fromLatin1(r.caption), QString::fromLatin1(r.box), MsgIcon::None,
                                           MbOk);
        log = r.log;
    }
    AddLogLine(log ? log : "", LogPrefixError);
}

void TMainConfig::PrLogwinClick() {
    if (!logForm1) return;
    logForm1->Fullog->setLines(PrLogwin->lines());
    logForm1->show();
}
