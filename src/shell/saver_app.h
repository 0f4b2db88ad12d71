// The screensaver framework: start-up order, run modes, windows, message handling, the
// frame loop, the rules that end the saver, and the operations a concrete saver overrides.
//
// There is one application object per process (a SceneApp); its constructor parses the
// default settings and makes itself reachable through SaverApp::Instance() for callbacks
// that carry no context (window procedures, dialog procedures). Tests may create further
// objects; the newest one is the instance. Everything runs on the GUI thread.
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
#include "platform/d3d8/d3d8.h"
#include "platform/os/messages.h"
#include "platform/os/single_instance.h"
#include "platform/os/win32_types.h"
#include "shell/command_line.h"

namespace eh::shell {

inline constexpr char kWindowClassName[] = "Emberhold 3D Screensaver";
inline constexpr char kWindowTitle[] = "Emberhold 3D Screensaver";
inline constexpr UINT_PTR kPreviewStartTimer = 1;  // 500 ms, preview only
inline constexpr UINT_PTR kFpsTimer = 7;           // 1000 ms
inline constexpr int kMaxMonitors = 9;
inline constexpr int kPreviewBitmapId = 432;
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
};

class SaverApp {
  public:
    SaverApp();
    virtual ~SaverApp();
    SaverApp(const SaverApp&) = delete;
    SaverApp& operator=(const SaverApp&) = delete;

    static SaverApp* Instance();

    // Start-up up to the point where the mode's own work begins: text table, defaults
    // hook, command line, log, Direct3D and the adapter catalog, single-instance check,
    // monitors, windows, and for the preview its start wait. `commandLine` is the whole
    // command line of the process, program name included.
    void Initialize(HINSTANCE instance, const char* commandLine);
    // Runs the mode. Returns the process exit code.
    int Execute();

    // Virtual operations, in slot order; the framework calls them at fixed points.
    virtual void InitDefaults() {}
    virtual void ReadExtraSettings() {}
    virtual void WriteExtraSettings() {}
    virtual void ResetExtraSettings() {}
    virtual void InitExtraControls(HWND dialog) {}
    virtual int OnExtraCommand(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        return 0;
    }
    virtual LRESULT DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    virtual void StartSound() {}
    virtual void StopSound() {}
    virtual void CheckDeviceCaps() {}
    virtual void InitDeviceState(IDirect3DDevice8* device);
    virtual void ShowLoadingScreen(IDirect3DDevice8* device);
    virtual void LoadScene(IDirect3DDevice8* device) {}
    virtual void AfterLoad(IDirect3DDevice8* device) {}
    virtual void FrameMove(IDirect3DDevice8* device, float elapsedMs);
    virtual void RenderFrame(IDirect3DDevice8* device);
    virtual void ReleaseDeviceObjects() {}
    // Around a device reset: default-pool objects (render targets, depth surfaces) must be
    // released before Reset can succeed and are made again after it. Called by the restore
    // sequence only; media in the managed pool survive and are not touched.
    virtual void InvalidateDeviceObjects() {}
    virtual void RestoreDeviceObjects(IDirect3DDevice8* device) {}

    // Restore defaults: the default record over the settings, and the extra setting.
    void RestoreDefaults();

    // Framework operations.
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
    // Draws the FPS counter and the clock (inside the scene, after it).
    void DrawOverlay(IDirect3DDevice8* device);
    // Runs the saver offscreen with a fixed time step and writes frame_NNNN.png files.
    // Returns the exit code (0 success).
    int RunRecording(const RecordingOptions& options);

    RunMode Mode() const { return mode_; }
    std::uintptr_t ParentWindow() const { return parentWindow_; }
    bool RunAllowed() const { return runAllowed_; }
    config::SaverSettings& Settings() { return settings_; }
    const config::SaverSettings& DefaultRecord() const { return defaults_; }
    const config::TextTable& Texts() const { return texts_; }
    config::LogFile& Log() { return log_; }
    bool LoggingSwitch() const { return loggingSwitch_; }
    bool ShowSfxOption() const { return showSfxOption_; }
    graphics::AdapterCatalog& Catalog() { return catalog_; }
    IDirect3DDevice8* Device() const { return device_; }
    HWND MainWindow() const { return mainWindow_; }
    int MonitorCount() const { return monitorCount_; }
    const MonitorRecord& Monitor(int i) const { return monitors_[i]; }
    bool QuitRequested() const { return quit_; }
    bool PreviewWaiting() const { return previewWait_; }
    std::int32_t MouseMoveBudget() const { return mouseMoveBudget_; }
    std::int32_t FrameCount() const { return frameCount_; }
    std::int32_t Fps() const { return fps_; }
    std::int32_t FrontBufferParity() const { return frontBufferParity_; }
    DWORD LastFrameTime() const { return lastFrameTime_; }
    graphics::Overlay& Overlay() { return overlay_; }

    // Where settings are read from and written to (the user's settings file unless a test
    // points it elsewhere).
    const std::string& SettingsPath() const { return settingsPath_; }
    void SetSettingsPath(std::string path) { settingsPath_ = std::move(path); }
    // Lock file of the single-instance check (tests point it elsewhere).
    void SetInstanceLockPath(std::string path) { lockPath_ = std::move(path); }
    // How the Direct3D object is made (Direct3DCreate8 in the program; null: no Direct3D).
    void SetDirect3DFactory(graphics::Direct3DFactory factory) { d3dFactory_ = factory; }
    // Hosted by XScreenSaver: draws into `window` (the host's), which the host closes.
    void SetHostWindow(std::uintptr_t window) { hostWindow_ = window; }
    // Settings for this run only, applied over the stored ones before a saver run.
    void SetOverrides(const config::SettingsOverrides& overrides) { overrides_ = overrides; }
    bool Hosted() const { return hostWindow_ != 0; }
    // The seed of the scene's random choices for this run (recordings); none: the clock.
    void SetRandomSeed(std::optional<std::uint32_t> seed) { randomSeed_ = seed; }
    std::optional<std::uint32_t> RandomSeed() const { return randomSeed_; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return presentParams_; }
    // Tests: a device the framework uses as if it had created it (not released by it).
    void AttachDeviceForTest(IDirect3DDevice8* device, const D3DPRESENT_PARAMETERS& params);
    void SetModeForTest(RunMode mode) { mode_ = mode; }

  protected:
    // Called by Execute for the configuration mode. Returns the exit code.
    virtual int RunConfigDialog();

    bool loggingSwitch_ = false;
    bool showSfxOption_ = true;
    bool defaultExtra_ = false;  // the extra setting's default, from the default text

  private:
    void runPreviewStartWait();
    void fastForward(const RecordingOptions& options);
    int createDevice(HWND window);
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
    graphics::Overlay overlay_;

    bool quit_ = false;
    bool previewWait_ = false;
    HWND mainWindow_ = nullptr;
    MonitorRecord monitors_[kMaxMonitors]{};
    int monitorCount_ = 0;
    // Windows 9x password support: never present on this platform, kept so the close
    // rules read as they do there.
    bool win9x_ = false;
    void* passwordVerifier_ = nullptr;
    HBITMAP previewBitmap_ = nullptr;
    std::int32_t mouseMoveBudget_ = kInitialMouseMoveBudget;
    std::int32_t frameCount_ = 0;
    std::int32_t fps_ = 0;
    DWORD lastFrameTime_ = 0;  // timeGetTime of the previous frame step
    std::int32_t frontBufferParity_ = 1;
};

}  // namespace eh::shell
