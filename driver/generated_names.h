// The names of the files generated for the link. The main sequence owns them and removes the
// files after the link; the names step rewrites the first three, the output name settles the
// last.
#pragma once

// "@" and the response file the names tool writes: "@vdrlds.lnk", or "@vdrlds<pid>.lnk".
extern char namesResponseReference[32];
// The names object: "vdrlds.obj", or "vdrlds<pid>.obj".
extern char namesObjectName[32];
// The runtime-list object of a DLL: empty, "vdrlst.obj" or "vdrlst<pid>.obj".
extern char listObjectName[32];
// The name part of outputName without its extension; empty until the output name is settled.
extern char outputBaseName[260];

// Sets the four names to their start-up values.
void resetGeneratedNames();
