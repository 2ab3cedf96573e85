#pragma once

// The Qt Test suites of the window program, one per concern; each runs as its own test.
int runStartupWindowTest(int argc, char** argv);
int runInputTest(int argc, char** argv);
int runCommandLineTest(int argc, char** argv);
int runRunWindowTest(int argc, char** argv);
int runProgramTest(int argc, char** argv);

/// The child half of ProgramTest's closing test: the window program over `folder`, closed
/// during a run. Returns only when closing did not end the process.
int closeDuringRunChild(const char* folder);

/// The window's arrangement checked in a process of its own (for a scale factor set in its
/// environment): 0 when nothing is cut, covered or undrawn.
int layoutCheckChild();
