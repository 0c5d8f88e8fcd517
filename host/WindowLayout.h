#ifndef WINDOWLAYOUT_H
#define WINDOWLAYOUT_H

class QMainWindow;
class QSettings;

// The window's size, place and the arrangement of its docks, kept across runs
// in the program's settings. A layout saved by another version of the window
// (other docks) is not applied.
namespace WindowLayout {

// Call once the window has all its docks.
void restore(QMainWindow *window, const QSettings &settings);
void save(const QMainWindow *window, QSettings &settings);

} // namespace WindowLayout

#endif // WINDOWLAYOUT_H
