// The screensaver framework: start-up order, run modes, windows, message handling, the
// frame loop, the rules that end the saver, and the operations a concrete saver overrides.
//
// There is one application object per process (a SceneApp); its constructor parses the
// default settings and makes itself reachable through SaverApp::Instance() for callbacks
// that carry no context (window procedures, dialog procedures). It owns the program's one
// vertex-buffer pool and texture manager and hands them to whatever draws; nothing else
// makes or finds a program-wide one. Tests may create further objects, each with its own;
// the newest one is the instance. Everything runs on the GUI thread.
//
// Every run starts the same way (Initialize, then Execute); a headless recording differs
// only where StartOptions::recording says: an offscreen window, a fixed clock, no sound.
//
// Times: timeGetTime milliseconds; FrameMove receives the elapsed milliseconds of the
// frame as a 32-bit float.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "config/default_settings.h"
#include "config/log_file.h"
#include "config/overrides.h"
#include "config/settings_store.h"
#include "config/text_table.h"
#include "graphics/adapter_catalog.h"
#include "graphics/overlay.h"
#include "media/render_kit.h"
#include "media/vertex_buffer_pool.h"
#include "platform/d3d8/d3d8.h"
#include "platform/os/messages.h"
#include "platform/os/single_instance.h"
#include "platform/os/win32_types.h"
#include "shell/command_line.h"
#include "shell/password.h"

namespace eh::shell {

inline constexpr char kWindowClassName[] = "Emberhold 3D Screensaver";
inline constexpr char kWindowTitle[] = "Emberhold 3D Screensaver";
inline constexpr UINT_PTR kPreviewStartTimer = 1;  // 500 ms, preview only
inline constexpr UINT_PTR kFpsTimer = 7;           // 1000 ms
inline constexpr int kMaxMonitors = 9;
inline constexpr int kPreviewBitmapId = 432;
inline constexpr int kIconId = 224;
inline constexpr std::int32_t kInitialMouseMoveBudget = 30;

struct MonitorRecord {
    char adapterDescription[128];
    char monitorDescription[128];
    HMONITOR monitor;  // null when not part of the desktop
    RECT rect;         // virtual screen, the primary at (0, 0)
    HWND window;       // the saver window on it, null until created
};

// Limits of a headless recording run: below 1 fps a step is longer than anything the
// scene is made for, and a run longer than these would take days of wall time.
inline constexpr float kMinRecordingFps = 1.0f;
inline constexpr float kMaxRecordingFps = 1000.0f;
inline constexpr int kMaxRecordingFrames = 1000000;
inline constexpr std::int64_t kMaxRecordingStartMs = 30LL * 24 * 60 * 60 * 1000;  // 30 days

// Options of a headless recording run (--render-frames).
struct RecordingOptions {
    std::string directory;
    int frames = 60;
    int width = 640;
    int height = 480;
    float fps = 30.0f;  // the fixed step is 1000 / fps milliseconds
    unsigned seed = 1;
    std::int64_t startMs = 0;  // simulated before the first recorded frame, in the same steps
    int every = 1;             // write every n-th frame (frame sheets over long runs)
    bool loadingScreen = false;  // also write DIR/loading.png: the loading screen as shown
    // Render and present every frame but read nothing back and write no file: the frame
    // rate of the program itself, without the PNG encoder (the benchmark's mode). The run
    // prints how long its frames took.
    bool noWrite = false;
};

// What one run starts with, taken from the command line (see StartOptionsOf in
// program_options.h). Every run goes through the same start-up; these say where it differs.
struct StartOptions {
    // The screensaver switch: the run mode and the window handle given with /p, /c or /a.
    RunMode mode = RunMode::Config;
    std::uintptr_t parentWindow = 0;
    // Hosted by XScreenSaver: the saver draws into this window (the host's), which the
    // host closes; 0 when not hosted. A hosted run is a saver run.
    std::uintptr_t hostWindow = 0;
    // Settings for this run only, applied over the stored ones before a saver run.
    config::SettingsOverrides overrides;
    // A headless recording: a test run on an offscreen window of the recording's size,
    // silent, seeded, without the single-instance lock, its clock standing still between
    // frames that are written as PNG files. `mode` is not read then.
    std::optional<RecordingOptions> recording;
};

class SaverApp {
  public:
    SaverApp();
    virtual ~SaverApp();
    SaverApp(const SaverApp&) = delete;
    SaverApp& operator=(const SaverApp&) = delete;

    // The newest application object (see the file comment); null when there is none.
    static SaverApp* Instance();

    // How the Direct3D object is made: Direct3DCreate8 in the program, a fake in tests;
    // null (the default) means no Direct3D, so a saver run is refused. Before Initialize.
    void SetDirect3DFactory(graphics::Direct3DFactory factory) { d3dFactory_ = factory; }

    // The start-up of every run, up to where the mode's own work begins: text table,
    // defaults hook, log, Direct3D and the adapter catalog, the single-instance check,
    // device caps, then the run's window (the saver windows over the monitors, or the
    // recording's offscreen window) and for the preview its start wait. A run that must
    // not go on (another copy holds the lock, no Direct3D, bad recording options) is
    // marked so here, and Execute ends it.
    void Initialize(HINSTANCE instance, const StartOptions& start);
    // Runs the mode Initialize started: the dialog, or settings, device, media and the
    // loop (the message loop, or the recording's fixed-step frames), then the shut-down.
    // Returns the process exit code: 0, also for a run refused because another copy runs;
    // 1 when a saver or recording run could not be carried out.
    int Execute();

    // Virtual operations, in slot order. The framework calls them at fixed points, always
    // on the GUI thread; the defaults do nothing unless said otherwise.

    // Initialize, right after the text table: fill in the overlay layout, the log switch
    // and the default of the extra setting.
    virtual void InitDefaults() {}
    // Execute before a saver run and the dialog on opening: read the extra setting from
    // SettingsPath(). Reads only; a missing or bad value leaves the current one.
    virtual void ReadExtraSettings() {}
    // The dialog's OK: store the extra setting at SettingsPath().
    virtual void WriteExtraSettings() {}
    // RestoreDefaults and the dialog's restore button: the extra setting to its default.
    virtual void ResetExtraSettings() {}
    // The saver's own dialog controls and their commands (non-zero: handled). Never called
    // on this platform: the dialog (config/) is built from its fixed template, which has no
    // room for them.
    virtual void InitExtraControls(HWND dialog) {}
    virtual int OnExtraCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        return 0;
    }
    // HandleMessage, for every message of the saver windows its rules do not answer with
    // a result of their own. Returns the message's result; DefWindowProc by default.
    virtual LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // After the media are loaded (AfterLoad), once per run with a device: start music and
    // effects as the settings say. Must also do whatever a silent run needs at that point.
    virtual void StartSound() {}
    // Shutdown, first: stop whatever StartSound started. Safe when nothing was started.
    virtual void StopSound() {}
    // Initialize, after Direct3D is made and before any window: check the adapter's caps.
    virtual void CheckDeviceCaps() {}
    // After the device is created and after every device reset: set the render states the
    // scene relies on. The default sets blending, alpha test, stage 0, depth, a white
    // material, an identity world and a 45-degree projection.
    virtual void InitDeviceState(IDirect3DDevice8* device);
    // Right after InitDeviceState at device creation: draw the loading screen into both
    // buffers of the flip chain. The default shows the overlay's loading screen.
    virtual void ShowLoadingScreen(IDirect3DDevice8* device);
    // Once per run, after the digit textures: load the scene's media on `device` (the pool
    // and texture manager are attached to it by then). PresentParameters() is valid.
    virtual void LoadScene(IDirect3DDevice8* device) {}
    // Right after LoadScene.
    virtual void AfterLoad(IDirect3DDevice8* device) {}
    // Every frame before RenderFrame, `elapsedMs` milliseconds after the previous one (not
    // negative). `device` is null while a recording runs ahead unseen: move, draw nothing.
    // The default sets a view from (0, 0, -1) toward the origin.
    virtual void FrameMove(IDirect3DDevice8* device, float elapsedMs);
    // Every frame after FrameMove: draw the whole frame, DrawOverlay inside the scene,
    // and Present it. The default clears to blue and draws the overlay.
    virtual void RenderFrame(IDirect3DDevice8* device);
    // Shutdown, before the device is released: release every device object the saver made
    // outside the pool and the texture manager (those are released by the framework).
    virtual void ReleaseDeviceObjects() {}
    // Around a device reset: default-pool objects (render targets, depth surfaces) must be
    // released before Reset can succeed and are made again after it. Called by the restore
    // sequence only; media in the managed pool survive and are not touched.
    virtual void InvalidateDeviceObjects() {}
    virtual void RestoreDeviceObjects(IDirect3DDevice8* device) {}
    // Before the device is created: start reading what LoadScene will need on another
    // thread, so that it is ready (or nearly) when the loading screen is up.
    virtual void PrefetchMedia() {}

    // What the configuration dialog and --print-settings read and change.
    config::SaverSettings& Settings() { return settings_; }
    const config::SaverSettings& DefaultRecord() const { return defaults_; }
    const config::TextTable& Texts() const { return texts_; }
    config::LogFile& Log() { return log_; }
    // The log as the lower layers take it: one line at a time.
    graphics::LogLineFn LogLine() {
        return [this](const char* line) { log_.Write(line); };
    }
    bool ShowSfxOption() const { return showSfxOption_; }
    // Where settings are read from and written to (the user's settings file unless a test
    // points it elsewhere).
    const std::string& SettingsPath() const { return settingsPath_; }
    // The window the host named with /c:<hwnd> (null when none): the dialog's owner.
    HWND ConfigOwner() const { return reinterpret_cast<HWND>(parentWindow_); }

  protected:
    // Called by Execute for the configuration mode. Returns the exit code.
    virtual int RunConfigDialog();

    // The program's one vertex-buffer pool and texture manager: attached to the device
    // when it is made, released by Shutdown before it goes. The concrete saver hands them
    // to its scene; they outlive every object built on them.
    media::VertexBufferPool& Pool() { return pool_; }
    media::RenderKit& Kit() { return kit_; }
    graphics::Overlay& Overlay() { return overlay_; }
    // Draws the FPS counter and the clock (inside the scene, after it).
    void DrawOverlay(IDirect3DDevice8* device);
    // The seed of the scene's random choices for this run (recordings); none: the clock.
    std::optional<std::uint32_t> RandomSeed() const { return randomSeed_; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return presentParams_; }
    HWND MainWindow() const { return mainWindow_; }

    // The framework's own steps and state, open to subclasses so that tests can drive
    // and watch them; nothing but the framework calls them in the program.
    RunMode Mode() const { return mode_; }
    std::uintptr_t ParentWindow() const { return parentWindow_; }
    bool RunAllowed() const { return runAllowed_; }
    bool Hosted() const { return hostWindow_ != 0; }
    bool LoggingSwitch() const { return loggingSwitch_; }
    IDirect3DDevice8* Device() const { return device_; }
    int MonitorCount() const { return monitorCount_; }
    const MonitorRecord& Monitor(int i) const { return monitors_[i]; }
    bool QuitRequested() const { return quit_; }
    bool PreviewWaiting() const { return previewWait_; }
    std::int32_t MouseMoveBudget() const { return mouseMoveBudget_; }
    std::int32_t FrameCount() const { return frameCount_; }
    std::int32_t Fps() const { return fps_; }
    std::int32_t FrontBufferParity() const { return frontBufferParity_; }

    // Restore defaults: the default record over the settings, and the extra setting.
    void RestoreDefaults();
    void EnumerateMonitors();
    HRESULT CreateSaverWindows();
    static LRESULT StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // 1 when the saver is shutting down, 0 when it goes on.
    int RequestClose();
    void Shutdown();
    // Returns 0 after a frame, else the reason none was drawn.
    HRESULT FrameStep();
    // Device, media, loop; returns when the loop ends.
    void MainLoop();

    void SetSettingsPath(std::string path) { settingsPath_ = std::move(path); }
    // Lock file of the single-instance check.
    void SetInstanceLockPath(std::string path) { lockPath_ = std::move(path); }
    // A device the framework uses as if it had created it (not released by it).
    void AttachDeviceForTest(IDirect3DDevice8* device, const D3DPRESENT_PARAMETERS& params);
    void SetModeForTest(RunMode mode) { mode_ = mode; }

    bool loggingSwitch_ = false;
    bool showSfxOption_ = true;
    bool defaultExtra_ = false;  // the extra setting's default, from the default text

  private:
    bool headless() const { return recording_.has_value(); }
    HRESULT createRunWindow();
    void releaseRunWindow();
    void runPreviewStartWait();
    int createDevice(HWND window);
    int loadRun();
    int record(const RecordingOptions& options);
    void fastForward(const RecordingOptions& options);
    void restoreDevice();
    void paintPreview(HWND window);

    config::TextTable texts_;
    config::DefaultSettings defaultText_;
    config::SaverSettings defaults_;
    config::SaverSettings settings_;
    config::LogFile log_;
    RunMode mode_ = RunMode::Config;
    std::uintptr_t parentWindow_ = 0;
    std::uintptr_t hostWindow_ = 0;
    config::SettingsOverrides overrides_;
    std::optional<RecordingOptions> recording_;
    std::optional<std::uint32_t> randomSeed_;
    HINSTANCE instance_ = nullptr;
    bool runAllowed_ = true;
    std::string settingsPath_;
    std::string lockPath_;
    os::SingleInstanceLock instanceLock_;

    graphics::Direct3DFactory d3dFactory_ = nullptr;
    graphics::AdapterCatalog catalog_;
    IDirect3DDevice8* device_ = nullptr;
    bool ownsDevice_ = true;
    D3DPRESENT_PARAMETERS presentParams_{};
    // Declared before the overlay, which holds references to them.
    media::VertexBufferPool pool_;
    media::RenderKit kit_;
    graphics::Overlay overlay_;

    bool quit_ = false;
    bool previewWait_ = false;
    HWND mainWindow_ = nullptr;
    MonitorRecord monitors_[kMaxMonitors]{};
    int monitorCount_ = 0;
    // Windows 9x password support (password.h): loaded only there, in a saver run whose
    // user asked for a password.
    bool win9x_ = false;
    PasswordVerifier passwordVerifier_;
    HBITMAP previewBitmap_ = nullptr;
    std::int32_t mouseMoveBudget_ = kInitialMouseMoveBudget;
    std::int32_t frameCount_ = 0;
    std::int32_t fps_ = 0;
    DWORD lastFrameTime_ = 0;  // timeGetTime of the previous frame step
    std::int32_t frontBufferParity_ = 1;
};

}  // namespace eh::shell
