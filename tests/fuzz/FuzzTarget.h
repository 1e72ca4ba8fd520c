#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

// The entry every fuzz target defines: libFuzzer calls it with each input it makes, the replay
// test with each file of the target's corpus.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

// The folders of one fuzzing process, made on the first call and removed at its end: a program
// folder with the delivered data, settings, documents and temporary folders of their own, so
// nothing a target does reaches the user's files. They lie in memory (/dev/shm) where there is
// such a folder. A core application object exists from then on.
struct FuzzFolders {
    QString program;
    QString scratch;
};
const FuzzFolders& FuzzSetUp();

// Writes the input into a file of that name in the scratch folder and returns its path.
QString FuzzInputFile(const QString& name, const uint8_t* data, size_t size);

// Stops the process with the message when a target finds a broken promise that is no crash
// (a failure reported as success, a change a refusal kept): libFuzzer and the replay test
// both report an abort with the input.
[[noreturn]] void FuzzFault(const QString& message);
