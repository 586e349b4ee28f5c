#include "sim/identprobe.h"

#include "common/tankcfgtypes.h"

bool PeekShortRequest(const QByteArray& line, int& device, int& addrByte, int& code) {
    if (line.size() < 12 || line[0] != '\r') return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    device = line.mid(1, 2).toInt(&ok1, 16);
    addrByte = line.mid(3, 2).toInt(&ok2, 16);
    code = line.mid(5, 2).toInt(&ok3, 16);
    return ok1 && ok2 && ok3;
}

bool IdentProbe::accepts(const QByteArray& line) const {
    int dev = 0, addr = 0, code = 0;
    return PeekShortRequest(line, dev, addr, code) && dev == DevProbe && (addr & 0x0F) == address_;
}

QList<QByteArray> IdentProbe::handleLine(const QByteArray& line) {
    int dev = 0, addr = 0, code = 0;
    PeekShortRequest(line, dev, addr, code);
    if (code != 0x01) return {};
    TShortFrame r{};
    r.Device = DevProbe;
    r.Addr = uint8_t(addr);
    r.Code = 0x81;
    r.Count = 0;
    return {QByteArray::fromStdString(EncodeFrame(r))};
}
