#ifndef PLUGINLIBRARY_H
#define PLUGINLIBRARY_H

// What the library sets up for itself, once, when it is loaded.
namespace PluginLibrary {

// Registers the compiled-in pictures and fills the graphic-object type names.
void initialize();

// Loads "OperativeCheck.qm" from the application's "plugins" folder and installs it,
// whether or not loading succeeded.
void installTranslator();

void initIconTable();

} // namespace PluginLibrary

#endif // PLUGINLIBRARY_H
