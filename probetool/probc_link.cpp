// The window's transmit-queue operations: the link runs them.
#include "probetool/probc.h"
#include "probetool/txengine.h"

void Tprobc::QueueCommand(const QString& text) { link_->QueueCommand(text); }
void Tprobc::StartSending() { link_->StartSending(); }
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
