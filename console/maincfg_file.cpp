// The configuration file: the memory image of the whole configuration.
#include "platform/fileio.h"
#include "console/maincfg.h"
#include "platform/services.h"

void TMainConfig::Save_t_fileClick() {
    if (!Services::prompts().saveFile(Savefile)) return;
    WriteWholeFile(Savefile.fileName, &ConsoleConfig, sizeof ConsoleConfig);
}

void TMainConfig::Load_t_from_fileClick() {
    if (!Services::prompts().openFile(Openfile)) return;
    // Only a complete image is taken over.
    ReadFilePrefix(Openfile.fileName, &ConsoleConfig, sizeof ConsoleConfig);
    // The counts the page now shows come from the file: give no tank or unit its defaults.
    struct Keep {
        bool& flag;
        ~Keep() { flag = false; }
    } keep{keepRecords_};
    keepRecords_ = true;
    ShowConsoleConfig();
}
