// The window's transmit-queue operations: the link runs them.
#include "probetool/probc.h"
#include "probetool/txengine.h"

void Tprobc::QueueCommand(const QString& text) { link_->QueueCommand(text); }
void Tprobc::StartSending() { link_->StartSending(); }
void Tprobc::SendCommand(const QString& text) { link_->SendCommand(text); }
void Tprobc::WrktmrTimer() { link_->WrktmrTimer(); }
void Tprobc::ComPortTriggerAvail(int count) { link_->ComPortTriggerAvail(count); }
void Tprobc::ProcessReplies() { link_->ProcessReplies(); }

bool Tprobc::SendAndWait() {
    if (closed_) return false;
    return link_->SendAndWait();
}

bool Tprobc::sendAndProcess() {
    if (!SendAndWait()) return false;
    ProcessReplies();
    return true;
}
