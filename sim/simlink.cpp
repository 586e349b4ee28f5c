#include "sim/simlink.h"

SimSerialPorts::SimSerialPorts() = default;
SimSerialPorts::~SimSerialPorts() {
    for (auto& p : ports_)
        if (p.bus) p.bus->toHost = nullptr;
}

SerialLink* SimSerialPorts::create(QObject* parent) {
    auto* l = new SimSerialLink(this, parent);
    links_.append(l);
    return l;
}

void SimSerialPorts::attach(int com, DeviceBus* bus) {
    Port& p = ports_[com];
    p.exists = true;
    p.bus = bus;
    bus->toHost = [this, com](const QByteArray& bytes) {
        if (auto* l = openLink(com)) l->arrive(bytes);
    };
}

void SimSerialPorts::addEmptyPort(int com) { ports_[com].exists = true; }

void SimSerialPorts::setBusy(int com, bool busy) {
    ports_[com].exists = true;
    ports_[com].busy = busy;
}

void SimSerialPorts::remove(int com) {
    ports_[com].exists = false;
    if (auto* l = openLink(com)) l->vanish();
}

void SimSerialPorts::setDsr(int com, bool on) {
    Port& p = ports_[com];
    if (p.dsr == on) return;
    p.dsr = on;
    if (auto* l = openLink(com)) l->dsrFlipped();
}

QByteArray SimSerialPorts::writtenBytes(int com) const {
    QByteArray all;
    for (const auto& c : ports_.value(com).written) all += c;
    return all;
}

QList<QByteArray> SimSerialPorts::writtenLines(int com) const {
    QList<QByteArray> lines;
    QByteArray cur;
    for (char c : writtenBytes(com)) {
        if (c == '\r') cur.clear();
        cur.append(c);
        if (c == '\n') {
            lines.append(cur);
            cur.clear();
        }
    }
    return lines;
}

bool SimSerialPorts::rs485(int com) const {
    const SimSerialLink* l = openLink(com);
    return l && l->rs485();
}

SimSerialLink* SimSerialPorts::openLink(int com) const {
    for (const auto& l : links_)
        if (l && l->isOpen() && l->comNumber() == com) return l;
    return nullptr;
}

SimSerialLink::SimSerialLink(SimSerialPorts* ports, QObject* parent) : SerialLink(parent), ports_(ports) {}

void SimSerialLink::open(int comNumber, int baud) {
    if (open_) close();
    com_ = comNumber;
    baud_ = baud;
    const std::string name = "COM" + std::to_string(comNumber);
    const auto& p = ports_->ports_.value(comNumber);
    if (!p.exists) throw SerialError(SerialError::NoSuchPort, name + ": no such port");
    if (p.busy || ports_->openLink(comNumber))
        throw SerialError(SerialError::AccessDenied, name + ": the port is in use by another program");
    open_ = true;
    dtr_ = false;
    input_.clear();
    resetEvents();
    auto& mp = ports_->ports_[comNumber];
    ++mp.opens;
    mp.bauds.append(baud);
}

void SimSerialLink::close() {
    open_ = false;
    dtr_ = false;
    input_.clear();
    resetEvents();
}

void SimSerialLink::write(const QByteArray& bytes) {
    if (!open_) throw SerialError::NotOpen(com_);
    auto& p = ports_->ports_[com_];
    // In RS-485 mode the line is driven only while the bytes go out.
    if (rs485_) p.rts = true;
    p.written.append(bytes);
    const bool during = p.rts;
    if (rs485_) p.rts = false;
    p.rtsAround.append({during, p.rts});
    if (p.bus) p.bus->receiveFromHost(bytes);
}

QByteArray SimSerialLink::read(qint64 maxBytes) {
    const QByteArray out = input_.left(maxBytes);
    input_.remove(0, out.size());
    return out;
}

bool SimSerialLink::dsr() const { return open_ && ports_->dsr(com_); }

void SimSerialLink::arrive(const QByteArray& bytes) {
    if (!open_) return;
    input_ += bytes;
    noteIncoming(bytes);
}

void SimSerialLink::vanish() {
    if (!open_) return;
    close();
    emit lost();
}
