// A host of the Kestrin script editor with a Qt main window of its own: it
// registers the component into a registry folder of its own, creates
// CMainFrontEnd by its ProgID and, from its running loop, opens the editor
// on a script with RunEditor. What it does while the editor is open is the
// mode asked, once the file ACT_FILE is there (a person's command, given
// by whoever runs it):
//
//   kestrin-host-qt REGISTRY_FOLDER SCRIPT quit|close|none [ACT_FILE]
//
//   quit   calls QApplication::quit();
//   close  closes its own main window by code (the application quits when
//          its last window closes, as Qt applications do);
//   none   does neither: it quits once the editor has closed.
//
// Every step writes one line "step: result"; "the host's loop ended" comes
// once exec() has returned. The exit status is 0 when every step gave what
// it should.
#include <dlfcn.h>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>

#include "kestrin/host.h"

namespace {

int failures = 0;

void check(const char* step, HRESULT got, HRESULT expected) {
  std::printf("%s: 0x%08X%s\n", step, static_cast<unsigned>(got), got == expected ? "" : " (unexpected)");
  std::fflush(stdout);
  if (got != expected) ++failures;
}

void say(const std::string& line) {
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

// The component's default place: the folder of the platform library.
std::string componentPath() {
  Dl_info info;
  if (!dladdr(reinterpret_cast<void*>(&SysFreeString), &info) || !info.dli_fname) return {};
  std::string path = info.dli_fname;
  const auto slash = path.rfind('/');
  return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/KestrinScriptEditor.so";
}

DISPID idOf(IDispatch* object, const char* name) {
  OLECHAR* names[1] = {const_cast<OLECHAR*>(name)};
  DISPID id = DISPID_UNKNOWN;
  check((std::string("GetIDsOfNames ") + name).c_str(),
        object->lpVtbl->GetIDsOfNames(object, IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  return id;
}

void invoke(IDispatch* editor, DISPID id, const char* step, const char* script) {
  BSTR text = script ? SysAllocString(script) : nullptr;
  VARIANT arg, result;
  VariantInit(&arg);
  VariantInit(&result);
  DISPPARAMS params = {nullptr, nullptr, 0, 0};
  if (script) {
    V_VT(&arg) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&arg) = &text;
    params.rgvarg = &arg;
    params.cArgs = 1;
  }
  check(step,
        editor->lpVtbl->Invoke(editor, id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, nullptr,
                               nullptr),
        S_OK);
  VariantClear(&result);
  SysFreeString(text);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::fprintf(stderr, "usage: %s REGISTRY_FOLDER SCRIPT quit|close|none [ACT_FILE]\n", argv[0]);
    return 2;
  }
  const std::string mode = argv[3];
  const QString actFile = argc == 5 ? QString::fromLocal8Bit(argv[4]) : QString();
  if (mode != "quit" && mode != "close" && mode != "none") {
    std::fprintf(stderr, "no mode %s\n", mode.c_str());
    return 2;
  }

  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle("Qt host");
  window.setCentralWidget(new QLabel("The host's own window"));
  window.resize(400, 200);
  window.show();

  KestrinSetRegistryFolder(argv[1]);
  const std::string component = componentPath();
  void* library = dlopen(component.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "cannot load %s: %s\n", component.c_str(), dlerror());
    return 2;
  }
  auto registerServer = reinterpret_cast<LPFNREGISTERSERVER>(dlsym(library, "DllRegisterServer"));
  if (!registerServer) return 2;
  check("DllRegisterServer", registerServer(), S_OK);
  check("CoInitialize", CoInitialize(nullptr), S_OK);
  CLSID clsid;
  check("CLSIDFromProgID", CLSIDFromProgID(KESTRIN_PROGID_CMAINFRONTEND, &clsid), S_OK);
  IDispatch* editor = nullptr;
  check("CoCreateInstance",
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, reinterpret_cast<void**>(&editor)), S_OK);
  if (!editor) return 1;
  const DISPID runId = idOf(editor, "RunEditor");
  const DISPID freeId = idOf(editor, "FreeEditor");

  // The editor opens from the host's running loop, as from a menu command;
  // the host acts while it is open.
  bool editorClosed = false;
  QTimer act;
  act.setInterval(50);
  QObject::connect(&act, &QTimer::timeout, [&] {
    if (actFile.isEmpty() || !QFile::exists(actFile)) return;
    act.stop();
    if (mode == "quit") {
      say("the host asks to quit");
      QApplication::quit();
    } else if (mode == "close") {
      say("the host closes its window");
      window.close();
    }
  });
  QTimer::singleShot(0, &app, [&] {
    act.start();
    invoke(editor, runId, "RunEditor", argv[2]);
    editorClosed = true;
    say("the editor closed");
    invoke(editor, freeId, "FreeEditor", nullptr);
    if (mode == "none") QApplication::quit();
  });
  const int status = app.exec();
  say("the host's loop ended");
  if (!editorClosed) {
    say("the loop ended while the editor was open");
    ++failures;
  }
  editor->lpVtbl->Release(editor);
  CoFreeUnusedLibraries();
  CoUninitialize();
  say(failures == 0 ? "all steps as expected" : "some steps failed");
  return status == 0 && failures == 0 ? 0 : 1;
}
