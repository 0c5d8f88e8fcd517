#ifndef BENCHCASES_H
#define BENCHCASES_H

// Cases kept in their own files, each printing its lines in the bench's format.

// Building the corridor of long GPS-like tracks against copying their points.
void benchCorridor();

#endif // BENCHCASES_H
