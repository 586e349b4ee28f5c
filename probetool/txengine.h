#pragma once
// Ostrel's side of the probe bus: the port, the transmit queue of short command texts driven by
// a 75 ms clock (one command in flight, sent once more when silent, then dropped), the receive
// assembly into a queue of lines, and the pass that decodes those lines.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>
#include <cstdint>

#include "common/rxlines.h"
#include "common/tankcfgtypes.h"

class ProgramTimer;
class SerialLink;

class ProbeTxEngine : public QObject {
    Q_OBJECT
public:
    explicit ProbeTxEngine(QObject* parent = nullptr);
    ~ProbeTxEngine() override;

    // The port ("ComPort") and the transmit clock ("Wrktmr") the engine runs on.
    SerialLink* Port() const { return ComPort; }
    ProgramTimer* Clock() const { return Wrktmr; }

    // The probe the frames go to; its sequence numbers start again.
    void SelectProbe(uint8_t address);
    uint8_t Address() const { return address_; }
    uint8_t SeqNo() const { return seqNo_; }

    // Appends a command text ("CC" or "CCDD"); sends nothing.
    void QueueCommand(const QString& text);
    // Starts the clock on the head unless it runs already.
    void StartSending();
    // Starts sending and processes window messages until the queue is empty. False when the
    // wait was ended because the program is closing or the engine cannot run.
    bool SendAndWait();
    // Decodes every received line, oldest first, and hands each on through replyReceived.
    void ProcessReplies();

    // The clock's tick, the port's data event and the writing of one frame.
    void WrktmrTimer();
    void ComPortTriggerAvail(int count);
    void SendCommand(const QString& text);

    // Both queues and the partial line are emptied.
    void Clear();
    // The program is closing: the clock stops, the port closes, the queues go, and every wait
    // ends, now and later.
    void Shutdown();

    // Commands not yet removed (the head is the one in flight while the clock runs).
    const QStringList& Pending() const { return FTxQueue; }
    // Complete lines not yet processed.
    const QList<QByteArray>& ReceivedLines() const { return FRxQueue; }
    QByteArray PartialLine() const;
    // The head was sent and no line has ended since.
    bool AwaitingReply() const { return FAwaitingReply; }

signals:
    // A frame-log line: "S-", "R-" or "E-" with the time of day.
    void logLine(const QString& line);
    // The batch's progress bar: commands reached out of the commands queued when it started.
    void progress(int position, int maximum);
    // One decoded line (FrameInvalid when it did not decode), in arrival order.
    void replyReceived(const TShortFrame& frame);

private:
    void setProgress(int position);
    void lineComplete(const std::string& line);

    SerialLink* ComPort = nullptr;
    ProgramTimer* Wrktmr = nullptr;
    ProbeLineAssembler FRxLine;
    QList<QByteArray> FRxQueue;
    QStringList FTxQueue;
    bool FAwaitingReply = false;
    bool FRetried = false;
    uint8_t FReplyWait = 0;
    uint8_t FDeviceId = DevProbe;
    uint8_t address_ = 0;
    uint8_t seqNo_ = 0;
    int progressMax_ = 0;
    bool shutDown_ = false;
};
