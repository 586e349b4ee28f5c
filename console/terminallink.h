#pragma once
// The terminal link: the RS-232 port to the tank console, its 1000 ms reply timer and the
// exchange flags. One request line is out at a time; a reply that fails the frame check
// has the same line written again, six transmissions at most; no reply in time closes the
// link. Its owner gets each line to log, each decoded reply to apply, and the link's
// failures to report, through the signals below.
#include <QObject>

#include "common/tankcfgtypes.h"

class ProgramTimer;
class SerialLink;

class TerminalLink : public QObject {
    Q_OBJECT
public:
    explicit TerminalLink(QObject* parent = nullptr);

    // Opens COM n at 9600 baud and discards what the port held. Throws SerialError.
    void open(int comNumber);
    bool isOpen() const;
    // Ends the exchange in progress, so that its caller stops waiting, and closes the port.
    void close();
    // The program is ending: the link closes and nothing is written from now on.
    void shutDown();

    // True while an exchange waits: an operation started inside that wait is refused
    // rather than nested.
    bool operationRefused() const { return waits_ > 0; }
    // Writes a request line once no other frame is out, waits for its reply and writes it
    // again while the replies fail the frame check; returns when the exchange is over.
    void send(const TLineBuffer& line);
    // A whole exchange: marks it busy, sends the request and waits until its reply has
    // been handled or the link has failed.
    void exchange(const TLongFrame& request);

    // The port's line-feed event: reads the receive area, hands the decoded reply on and
    // then ends the exchange or asks for the resend.
    void receive();
    // The reply timer ran out: the exchange ends and the link closes.
    void expire();

    bool waiting() const { return TrmWaiting; }
    bool resendDue() const { return TrmRetry; }
    bool busy() const { return TrmBusy; }
    bool idle() const { return !TrmWaiting && !TrmRetry && !TrmBusy; }
    bool timerActive() const;
    int timeoutMs() const;

signals:
    // Every line written (each transmission) and every line read.
    void lineLogged(const TLineBuffer& line);
    // A line was read and decoded.
    void replyReceived(const TLongFrame& reply);
    // No reply in time; the link closes next.
    void timedOut();
    // The port went away under the link (closed follows); the text names the port and device.
    void portLost(const QString& text);
    // The link has closed: by the user, the time-out, giving up, a lost port, the end.
    void closed();
    // A request found the port closed and was dropped.
    void notConnected();

private:
    void clearExchange();
    void settle(uint8_t replyCode);
    bool ending() const;

    SerialLink* TrmCom = nullptr;
    ProgramTimer* TrmTmr = nullptr;
    bool TrmWaiting = false;  // a line is out and its reply not yet handled
    bool TrmRetry = false;    // the last reply was bad: write the line again
    bool TrmBusy = false;     // an exchange is in progress; its caller waits
    int waits_ = 0;           // exchanges now waiting, any nesting depth
    bool ending_ = false;
};
