// Bildkranz's version, kept here and nowhere else: the version record, the
// program's texts, the build (CMakeLists.txt reads the numbers) and the
// package (scripts/dist.sh) all take it from this file.
// Plain macros only, because the resource compiler's preprocessor includes it.
#ifndef BILDKRANZ_VERSION_H
#define BILDKRANZ_VERSION_H

#define BILDKRANZ_VERSION_MAJOR 1
#define BILDKRANZ_VERSION_MINOR 1
#define BILDKRANZ_VERSION_PATCH 0
#define BILDKRANZ_VERSION_BUILD 0

// The four numbers as the resource compiler wants them after FILEVERSION.
#define BILDKRANZ_VERSION_NUMERIC \
    BILDKRANZ_VERSION_MAJOR, BILDKRANZ_VERSION_MINOR, BILDKRANZ_VERSION_PATCH, BILDKRANZ_VERSION_BUILD

// What users see. The minor number is shown with two digits ("1.01"), so
// this cannot be pasted together from the numbers above; change both.
#define BILDKRANZ_VERSION_TEXT "1.01"
#define BILDKRANZ_VERSION_WTEXT L"1.01"

#endif
