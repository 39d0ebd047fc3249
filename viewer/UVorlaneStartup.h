// The program's start-up: the modules start in a fixed order, the "/uninstall" switch may
// end the program before any window exists, then the forms are made and the message loop
// runs; at the end the forms go and the modules shut down in reverse order.
//
// The program's entry only calls VorlaneMain; tests run the same steps with RunVorlane and
// their own modules, forms, loop and registry place.
#pragma once

#include "UH3_Code.h"

#include <functional>
#include <string>
#include <vector>

// One module's start-up and shutdown (Stop may be empty).
struct TModuleStartup {
    std::wstring Name;
    std::function<void()> Start;
    std::function<void()> Stop;
};

// The program's modules in start-up order: runtime and Unicode layer, help runtime paths,
// log file and debug mode, the shell pack (COM, OLE, clipboard formats), window helpers,
// wide message box, code-page dialog, and last the Unicode system updates with the dialog
// font and the Unicode hint window.
std::vector<TModuleStartup> VorlaneModules();

// Starts the modules in order; Stop (or the destructor) shuts the started ones down in
// reverse order. When a start-up raises, the ones before it are shut down and the
// exception goes on.
class TModuleScope {
public:
    explicit TModuleScope(std::vector<TModuleStartup> Modules);
    ~TModuleScope();
    TModuleScope(const TModuleScope&) = delete;
    TModuleScope& operator=(const TModuleScope&) = delete;
    void Stop();

private:
    std::vector<TModuleStartup> FModules;
    size_t FStarted = 0;
};

// True when one of Params is "/uninstall" (case ignored).
bool HasUninstallSwitch(const std::vector<std::wstring>& Params);

// The "/uninstall" step over the runtime key of Place (HKLM "\SOFTWARE\Microsoft\Help\v1.0"
// for the program): its value "HelpViewerProgID", read and written in the 64-bit view when
// this 32-bit process runs on 64-bit Windows, is emptied when it is a text value that
// contains "vorlane" (case ignored). Any other value, type or length is left alone; a missing
// key or value counts as empty; nothing is created and failures are silent. True when the
// value was emptied.
bool UninstallViewerRegistration(const TH3RegistryPlace& Place);

// The steps after the module start-ups.
struct TVorlaneRun {
    std::vector<TModuleStartup> Modules;
    std::vector<std::wstring> Params;    // the command line's parameters after the program
    TH3RegistryPlace RuntimePlace;       // where "/uninstall" looks
    std::function<void()> CreateForms;   // the main window
    std::function<void()> RunLoop;       // the message loop
    std::function<void()> EndWorkers;    // worker threads still running stop (the units' end steps)
    std::function<void()> FreeForms;     // every form of the application, before the shutdowns
};

// The program's own steps, with the process's command line.
TVorlaneRun DefaultVorlaneRun();
// Modules; "/uninstall" (then nothing else); Initialize; the forms; the loop; the workers
// stop while the forms they report to exist; the forms go; the modules shut down. Returns
// the exit code.
int RunVorlane(const TVorlaneRun& Run);
// RunVorlane(DefaultVorlaneRun()), with every exception reported.
int VorlaneMain();
