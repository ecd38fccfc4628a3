/* music_double.h: control of the scripted music library and SDL shim that the demo tests link.
 *
 * A script is a list of directives separated by newlines or ';':
 *   version N | init N | load N | play N   results of those music operations (defaults 2, 1, 1, 1)
 *   positions P...                          successive position answers; the last one repeats
 *   events F NAME...                        SDL events pushed at frame F's position query
 *                                           (F = 0: when play starts); NAME is keydown, keyup,
 *                                           quit, mousemotion, mousedown, mouseup, focus,
 *                                           resize or expose
 *   fail NAME                               SDL_Init, SDL_SetVideoMode or SDL_LockSurface fails
 *                                           (the lock only on surfaces that must be locked)
 *   limit N                                 exit with status 70 at position query N + 1
 *                                           (default 1000, so a run that never ends stops)
 * A program run under test reads its script from DEMO_DOUBLE_SCRIPT and appends its call log,
 * one call per line, to the file named by DEMO_DOUBLE_LOG. */
#ifndef MUSIC_DOUBLE_H
#define MUSIC_DOUBLE_H

#include <string>

/* Status of a run stopped by the limit directive. */
enum { DOUBLE_LIMIT_STATUS = 70 };

/* Replaces the script and clears the log (for tests that call the player in-process). */
void DoubleReset(const std::string &script);

/* The calls made since the last reset, one per line. */
const std::string &DoubleLog();

/* Appends one line to the log (used by the SDL shim). */
void DoubleRecord(const std::string &line);

/* True when the script makes the named SDL operation fail. */
bool DoubleFails(const std::string &operation);

#endif /* MUSIC_DOUBLE_H */
