// The configuration file: the memory image of the whole configuration.
#include "platform/fileio.h"
#include "console/consolesession.h"
#include "console/maincfg.h"
#include "platform/services.h"

void TMainConfig::Save_t_fileClick() {
    if (!Services::prompts().saveFile(Savefile)) return;
    WriteWholeFile(Savefile.fileName, &session_.ConsoleConfig, sizeof session_.ConsoleConfig);
}

void TMainConfig::Load_t_from_fileClick() {
    if (!Services::prompts().openFile(Openfile)) return;
    // Only a complete image is taken over.
    ReadFilePrefix(Openfile.fileName, &session_.ConsoleConfig, sizeof session_.ConsoleConfig);
    // The counts the page now shows come from the file: give no tank or unit its defaults.
    struct Keep {
        bool& flag;
        ~Keep() { flag = false; }
    } keep{keepRecords_};
    keepRecords_ = true;
    ShowConsoleConfig();
}
