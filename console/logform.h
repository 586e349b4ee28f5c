#pragma once
// The log window: a copy of the traffic log, saved as a text file on request.
#include "platform/plainform.h"
#include "platform/prompts.h"

class QPushButton;
class TLogList;

class TlogForm1 : public PlainForm {
    Q_OBJECT
public:
    explicit TlogForm1(QWidget* parent = nullptr);
    void Button1Click();
    void SaveLog1Click();

    TLogList* Fullog = nullptr;
    QPushButton* SaveLog1 = nullptr;
    QPushButton* Button1 = nullptr;
    FileDialogSpec SaveDialog1;
};
