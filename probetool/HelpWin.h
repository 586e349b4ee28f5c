#pragma once
// The help window shown by the main window's "Help" button.
#include "platform/plainform.h"

class TFrame1;

class THelpWindow : public PlainDialog {
    Q_OBJECT
public:
    explicit THelpWindow(QWidget* parent = nullptr);
    TFrame1* HelpFrame = nullptr;
};
