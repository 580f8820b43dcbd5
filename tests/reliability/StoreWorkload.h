#pragma once

#include <QString>

// The program the crash test kills: the real stores on the data folder `root`,
// driven through `changes` random changes as the app makes them, as fast as they
// come. It reports on standard output, beside the stores' log lines (which start
// with "["), one line per write, so a kill never cuts a line:
//
//   item <n> <ID> <hash>   change n is about to store the picture of gallery item ID
//                          (its bytes' qHash with seed 0, the same in every process)
//   gone <n> <ID>          change n is about to delete gallery item ID
//   done <n>               the gallery's writes of every change up to n have finished
//
// Answers the exit status: 0 once every change is made and written.
int runStoreWorkload(const QString& root, quint64 seed, int changes);
