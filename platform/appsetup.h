#pragma once
// What both programs, and the tests' main, set up on the application before any window.
// Ignores SIGXFSZ, so a write past the file-size limit fails with EFBIG (shown as "Disk full.")
// instead of killing the program with the configuration in memory. Sets no application
// display name: Qt would append it to every window and box title.
void PrepareApplication();
