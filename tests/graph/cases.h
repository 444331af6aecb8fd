// The graph test's cases, each run by name from the command line: the clip, and an argument
// that some of them take.
#pragma once

void SeeksCase(const char *clip, const char *argument);
void StopPositionsCase(const char *clip, const char *argument);
void RateCase(const char *clip, const char *argument);
void EndCase(const char *clip, const char *argument);
void ReaderErrorCase(const char *clip, const char *argument);
void StopWhileBlockedCase(const char *clip, const char *argument);
void ReleaseRunningCase(const char *clip, const char *argument);
void StressCase(const char *clip, const char *seed);
