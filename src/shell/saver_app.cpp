#include "shell/saver_app.h"

#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <commctrl.h>
#endif

#include "graphics/device.h"
#include "platform/os/desktop_gamma.h"
#include "platform/os/display.h"
#include "platform/os/message_box.h"
#include "platform/os/registry.h"
#include "platform/os/saver_windows.h"
#include "platform/os/window.h"
#include "shell/config_dialog_run.h"
#include "shell/start_timings.h"

namespace eh::shell {
namespace {
SaverApp* gInstance = nullptr;

void copyText(char (&to)[128], const std::string& from) {
    std::snprintf(to, sizeof to, "%s", from.c_str());
}

}  // namespace

SaverApp::SaverApp()
    : settingsPath_(os::SettingsFilePath()),
      lockPath_(os::SingleInstanceLock::DefaultPath()),
      overlay_(pool_, kit_) {
    gInstance = this;
    defaultText_.Load();
    config::BuildDefaultRecord(defaultText_, &defaults_, &defaultExtra_);
    settings_ = defaults_;
    catalog_.SetLog(LogLine());
}

SaverApp::~SaverApp() {
    if (previewBitmap_ != nullptr) DeleteObject(previewBitmap_);
    if (device_ != nullptr && ownsDevice_) device_->Release();
    device_ = nullptr;
    if (gInstance == this) gInstance = nullptr;
}

SaverApp* SaverApp::Instance() {
    return gInstance;
}

void SaverApp::Initialize(HINSTANCE instance, const StartOptions& start) {
    instance_ = instance;
    hostWindow_ = start.hostWindow;
    overrides_ = start.overrides;
    recording_ = start.recording;
    if (headless()) {
        const RecordingOptions& r = *recording_;
        if (r.frames < 0 || r.every < 1 || r.width < 16 || r.height < 16 || r.width > 8192 ||
            r.height > 8192 || !(r.fps > 0.0f && r.fps <= 1000.0f)) {
            std::fprintf(stderr, "emberhold: bad recording options\n");
            runAllowed_ = false;
            return;
        }
        std::error_code ec;
        if (!r.noWrite) std::filesystem::create_directories(r.directory, ec);
        // Time stands still between the recording's frames; its random choices are fixed.
        os::SetManualClock(true, 0);
        randomSeed_ = r.seed;
    }

    texts_.Load();
    InitDefaults();
#ifdef _WIN32
    // The dialog's trackbars are common controls.
    InitCommonControls();
#endif
    mode_ = headless() ? RunMode::Test : start.mode;
    parentWindow_ = start.parentWindow;

    log_.SetEnabled(loggingSwitch_);
    switch (mode_) {
        case RunMode::Preview:
        case RunMode::Saver:
        case RunMode::Test:
            log_.Open("Saver_Log.txt");
            break;
        case RunMode::Config:
            log_.Open("Config_Log.txt");
            break;
        case RunMode::ChangePassword:
            break;
    }

    if (FAILED(catalog_.Create(d3dFactory_))) runAllowed_ = false;

    // A second copy ends silently. Only the runs that own a top-level window (full screen,
    // test, dialog) hold the lock; a preview or a run inside a host's window gives way to
    // them but never blocks one, as a host keeps its preview running while the user opens
    // the dialog, and XScreenSaver starts one hosted copy per screen. A recording shows
    // nothing on any screen and neither holds nor heeds the lock.
    if (runAllowed_ && !headless()) {
        bool holds = !Hosted() && (mode_ == RunMode::Saver || mode_ == RunMode::Test ||
                                   mode_ == RunMode::Config);
#ifdef _WIN32
        // As Windows has always found a running copy: the saver's window (which the lock
        // also looks for) or the configuration dialog by its title.
        const bool dialogOpen =
            FindWindowA(nullptr, texts_.Lookup("screensaver_configuration").c_str()) != nullptr;
#else
        const bool dialogOpen = false;
#endif
        runAllowed_ = !dialogOpen && (holds ? instanceLock_.Acquire(lockPath_)
                                            : !os::SingleInstanceLock::HeldElsewhere(lockPath_));
    }
    if (!runAllowed_) return;

    CheckDeviceCaps();
    if (!headless()) EnumerateMonitors();
    if (mode_ == RunMode::Preview || mode_ == RunMode::Saver || mode_ == RunMode::Test)
        createRunWindow();
    if (mode_ == RunMode::Preview && mainWindow_ != nullptr) runPreviewStartWait();
}

HRESULT SaverApp::createRunWindow() {
    if (headless()) {
        // A window nobody sees, of the recording's size, with the saver's window procedure.
        HWND window = os::CreateOffscreenWindow(recording_->width, recording_->height);
        if (window == nullptr) return E_FAIL;
        os::AdoptWindow(window, &SaverApp::StaticWindowProc);
        mainWindow_ = window;
        return S_OK;
    }
    HRESULT hr = CreateSaverWindows();
    if (FAILED(hr)) log_.Write(config::log_lines::kCannotCreateSaverWindow);
    log_.Write(config::log_lines::kCreateSaverWindowComplete);
    return hr;
}

void SaverApp::releaseRunWindow() {
    if (headless()) {
        if (mainWindow_ != nullptr) {
            os::UnregisterWindow(mainWindow_);
            os::DestroyOffscreenWindow(mainWindow_);
        }
    } else {
        if (mainWindow_ != nullptr && IsWindow(mainWindow_)) DestroyWindow(mainWindow_);
        os::ReleaseForeignWindows();
    }
    mainWindow_ = nullptr;
}

int SaverApp::Execute() {
    // A refused recording is a failure; a refused saver run is the silent second copy.
    if (!runAllowed_) {
        if (headless()) os::SetManualClock(false);
        return headless() ? 1 : 0;
    }
    switch (mode_) {
        case RunMode::Config:
            return RunConfigDialog();
        case RunMode::ChangePassword:
            ChangeScreenSaverPassword(reinterpret_cast<HWND>(parentWindow_));
            return 0;
        case RunMode::Preview:
        case RunMode::Saver:
        case RunMode::Test: {
            config::ReadSettings(settings_, settingsPath_);
            ReadExtraSettings();
            config::ApplyOverrides(overrides_, settings_);
            if (headless()) {
                // The back buffer is the requested size, and recordings are silent: with
                // music and effects off the sound start only builds the creatures' first
                // sequences, as in a run with sound switched off.
                settings_.UseDesktopSettings = TRUE;
                settings_.Music = FALSE;
                settings_.SFX = FALSE;
            } else {
                catalog_.SelectMode(static_cast<UINT>(settings_.Width),
                                    static_cast<UINT>(settings_.Height), settings_.BitCount,
                                    settings_.FSAA);
                const graphics::Selection& s = catalog_.Mirror();
                settings_.Width = static_cast<std::int32_t>(s.width);
                settings_.Height = static_cast<std::int32_t>(s.height);
                settings_.BitCount = graphics::BitsOf(s.backBufferFormat);
                settings_.FSAA = static_cast<std::int32_t>(s.multisampleType);
            }
            int code = 1;
            if (mainWindow_ == nullptr) {
                std::fprintf(stderr, "emberhold: no window to run in\n");
            } else {
                if (headless()) {
                    code = record(*recording_);
                } else {
                    MainLoop();
                    code = 0;
                }
                // A loop ended by WM_CLOSE or by the host skipped Shutdown: the sound, the
                // scene's objects and the device still exist and must go before the window
                // that holds their context.
                if (device_ != nullptr) Shutdown();
                releaseRunWindow();
            }
            // Whatever ended the run, the desktop gets its own gamma back before the
            // process goes (again, if Shutdown already did: harmless).
            os::RestoreDesktopGamma();
            log_.Close();
            if (headless()) os::SetManualClock(false);
            return code;
        }
    }
    return 0;
}

void SaverApp::RestoreDefaults() {
    settings_ = defaults_;
    ResetExtraSettings();
}

int SaverApp::RunConfigDialog() { return RunConfigurationDialog(*this, catalog_); }

void SaverApp::EnumerateMonitors() {
    monitorCount_ = 0;
    std::vector<os::DisplayDevice> devices = os::EnumerateDisplayDevices();
    if (devices.empty()) {
        // The single-monitor substitute: one device called DISPLAY covering the screen.
        os::DisplayDevice d;
        d.adapterName = "DISPLAY";
        d.monitorName = "DISPLAY";
        d.primary = true;
        d.bounds = RECT{0, 0, 1024, 768};
        devices.push_back(d);
    }
    for (const os::DisplayDevice& d : devices) {
        if (monitorCount_ >= kMaxMonitors) break;
        if (d.mirroring) continue;
        MonitorRecord& r = monitors_[monitorCount_++];
        r = MonitorRecord{};
        copyText(r.adapterDescription, d.adapterName);
        copyText(r.monitorDescription, d.monitorName);
        if (d.attached) {
            LONG w = d.bounds.right - d.bounds.left;
            LONG h = d.bounds.bottom - d.bounds.top;
            LONG x = d.primary ? 0 : d.bounds.left;
            LONG y = d.primary ? 0 : d.bounds.top;
            r.rect = RECT{x, y, x + w, y + h};
            r.monitor = os::MonitorFromRect(r.rect);
        }
    }
}

HRESULT SaverApp::CreateSaverWindows() {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &SaverApp::StaticWindowProc;
    wc.hInstance = instance_;
    wc.lpszClassName = kWindowClassName;
#ifdef _WIN32
    // The program's icon, the arrow and black behind the scene: the windows on other
    // monitors and the preview's area right of its picture show the brush.
    wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(kIconId));
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
#endif
    RegisterClassA(&wc);

    if (Hosted()) {
        // XScreenSaver's window: the scene draws into it like a child of a foreign parent.
        HWND host = os::ForeignWindow(hostWindow_);
        if (host == nullptr) return E_FAIL;
        RECT rc{};
        GetClientRect(host, &rc);
        mainWindow_ = CreateWindowExA(0, kWindowClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, 0,
                                      0, rc.right, rc.bottom, host, nullptr, instance_, nullptr);
    } else {
        switch (mode_) {
            case RunMode::Preview: {
                HWND parent = os::ForeignWindow(parentWindow_);
                if (parent == nullptr) break;
                RECT rc{};
                GetClientRect(parent, &rc);
                AdjustWindowRect(&rc, WS_CHILD | WS_VISIBLE, FALSE);
                mainWindow_ = CreateWindowExA(
                    0, kWindowClassName, kWindowTitle, WS_CHILD | WS_VISIBLE, rc.left, rc.top,
                    rc.right - rc.left, rc.bottom - rc.top, parent, nullptr, instance_, nullptr);
                break;
            }
            case RunMode::Saver: {
                HWND first = nullptr;
                for (int i = 0; i < monitorCount_; ++i) {
                    MonitorRecord& r = monitors_[i];
                    if (r.monitor == nullptr) continue;
                    r.window = CreateWindowExA(
                        WS_EX_TOPMOST, kWindowClassName, kWindowTitle, WS_POPUP | WS_VISIBLE,
                        r.rect.left, r.rect.top, r.rect.right - r.rect.left,
                        r.rect.bottom - r.rect.top, first, nullptr, instance_, nullptr);
                    if (r.window == nullptr) return E_FAIL;
                    if (first == nullptr) first = r.window;
                }
                mainWindow_ = first;
                break;
            }
            case RunMode::Test: {
                RECT rc{50, 50, 650, 450};
                DWORD style = WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
                AdjustWindowRect(&rc, style, FALSE);
                mainWindow_ = CreateWindowExA(0, kWindowClassName, kWindowTitle, style, rc.left,
                                              rc.top, rc.right - rc.left, rc.bottom - rc.top,
                                              nullptr, nullptr, instance_, nullptr);
                break;
            }
            default:
                break;
        }
    }
    if (mainWindow_ == nullptr) return E_FAIL;
    SetCursor(nullptr);
    return S_OK;
}

void SaverApp::runPreviewStartWait() {
    previewWait_ = true;
    PostMessageA(mainWindow_, WM_USER, 0, 0);
    MSG msg;
    while (previewWait_) {
        BOOL got = GetMessageA(&msg, mainWindow_, 0, 0);
        if (got <= 0) {
            // WM_QUIT stays for the main loop; a window destroyed meanwhile ends the wait
            // instead of waiting on it forever.
            if (got == 0) PostQuitMessage(0);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

LRESULT SaverApp::StaticWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    SaverApp* app = Instance();
    if (app == nullptr) return DefWindowProcA(window, message, wParam, lParam);
    return app->HandleMessage(window, message, wParam, lParam);
}

LRESULT SaverApp::DefaultWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT SaverApp::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (mode_ == RunMode::Preview && previewBitmap_ == nullptr)
                previewBitmap_ = LoadBitmapA(instance_, MAKEINTRESOURCEA(kPreviewBitmapId));
            break;
        case WM_PAINT:
            if (mode_ == RunMode::Preview) {
                paintPreview(window);
                return 0;
            }
            break;
        case WM_CLOSE:
        case WM_DESTROY:
            quit_ = true;
            return 1;
        case WM_QUERYENDSESSION:
            // The session is ending: the system may end this process without another
            // instruction of ours, so the desktop's gamma goes back now.
            os::RestoreDesktopGamma();
            break;
        case WM_ENDSESSION:
            if (wParam != FALSE) {
                os::RestoreDesktopGamma();
                // The system may end the process once this returns: the sound stops now,
                // which unloads the audio library and deletes its temporary file.
                StopSound();
            } else if (device_ != nullptr) {
                // The end was called off and the saver goes on: its own ramp again.
                graphics::ApplyGamma(device_, settings_.GmCntrl);
            }
            break;
        case WM_SETCURSOR:
            if (mode_ == RunMode::Saver) return 1;
            break;
        case WM_ACTIVATEAPP:
            if (wParam == 0 && mode_ != RunMode::Test) return RequestClose();
            break;
        case WM_KEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            if (mode_ != RunMode::Test) return RequestClose();
            break;
        case WM_MOUSEMOVE:
            if (mode_ != RunMode::Preview && settings_.ExitOnMouseMove) {
                if (--mouseMoveBudget_ < 0) return RequestClose();
            }
            break;
        case WM_SYSCOMMAND:
            if (mode_ == RunMode::Saver && (wParam == SC_SCREENSAVE || wParam == SC_CLOSE ||
                                            wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW))
                return RequestClose();
            break;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMSUSPEND && !passwordVerifier_.Loaded()) return RequestClose();
            break;
        case WM_TIMER:
            if (wParam == kPreviewStartTimer) {
                previewWait_ = false;
                KillTimer(window, kPreviewStartTimer);
            } else if (wParam == kFpsTimer) {
                fps_ = frameCount_;
                frameCount_ = 0;
            }
            break;
        case WM_USER:
            SetTimer(window, kPreviewStartTimer, 500, nullptr);
            break;
        default:
            break;
    }
    return DefaultWindowProc(window, message, wParam, lParam);
}

void SaverApp::paintPreview(HWND window) {
    os::PaintBitmap(window, previewBitmap_);
}

int SaverApp::RequestClose() {
    if (mode_ != RunMode::Saver && mode_ != RunMode::Test) return 0;
    // The host of an embedded saver ends it; input inside its window does not.
    if (Hosted()) return 0;
    if (win9x_ && mode_ == RunMode::Saver && passwordVerifier_.Loaded()) {
        // The password dialog must appear over the last finished frame.
        if (frontBufferParity_ == 0 && device_ != nullptr)
            device_->Present(nullptr, nullptr, nullptr, nullptr);
        if (passwordVerifier_.Verify(mainWindow_)) {
            Shutdown();
            return 1;
        }
        // Wrong or cancelled: keep running; the next mouse move asks again.
        SetCursor(nullptr);
        mouseMoveBudget_ = 0;
        frontBufferParity_ = 1;
        lastFrameTime_ = timeGetTime();
        return 0;
    }
    Shutdown();
    return 1;
}

void SaverApp::Shutdown() {
    StopSound();
    if (device_ != nullptr) graphics::RestoreLinearGamma(device_);
    kit_.ReleaseAll();
    pool_.ReleaseAll();
    overlay_.ReleaseTextures();
    ReleaseDeviceObjects();
    if (device_ != nullptr) {
        if (ownsDevice_) device_->Release();
        device_ = nullptr;
    }
    // The linear ramp above is the device's; the desktop's own ramp need not be linear.
    os::RestoreDesktopGamma();
    catalog_.ReleaseDirect3D();
    if (mainWindow_ != nullptr) KillTimer(mainWindow_, kFpsTimer);
    passwordVerifier_.Free();
    quit_ = true;
    log_.Close();
}

int SaverApp::createDevice(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    graphics::DeviceSettings ds;
    ds.useDesktopSettings = settings_.UseDesktopSettings != FALSE;
    ds.gamma = settings_.GmCntrl;
    ds.readBack = headless();
#ifdef _WIN32
    // The test window and a recording's hidden window each get a device of their own
    // size; only the saver takes the screen.
    ds.windowed = mode_ == RunMode::Test;
#endif
    // The desktop's ramp as it is before anything of ours (the device, its mode change,
    // its ramp) touches the display; kept once per process.
    os::KeepDesktopGamma();
    IDirect3DDevice8* device = nullptr;
    int result = graphics::CreateSaverDevice(
        catalog_, ds, window, static_cast<UINT>(client.right - client.left),
        static_cast<UINT>(client.bottom - client.top), LogLine(), &device, &presentParams_);
    if (result != graphics::kDeviceCreated) return result;
    StartTimingsMark("device created");
    device_ = device;
    ownsDevice_ = true;
    kit_.Init(catalog_.Direct3D(), device_, presentParams_.BackBufferFormat, window);
    pool_.Init(device_, window);
    graphics::ApplyGamma(device_, ds.gamma);
    log_.Write(config::log_lines::kCreateDeviceComplete);
    InitDeviceState(device_);
    log_.Write(config::log_lines::kInitDeviceComplete);
    ShowLoadingScreen(device_);
    StartTimingsMark("loading screen shown");
    return graphics::kDeviceCreated;
}

int SaverApp::loadRun() {
    PrefetchMedia();
    int result = createDevice(mainWindow_);
    if (result != graphics::kDeviceCreated) return result;
    overlay_.LoadDigitTextures(device_, LogLine());
    StartTimingsMark("digits loaded");
    LoadScene(device_);
    StartTimingsMark("scene loaded");
    AfterLoad(device_);
    StartSound();
    log_.Write(config::log_lines::kAllDataLoaded);
    StartTimingsMark("sound started");
    return result;
}

void SaverApp::MainLoop() {
    win9x_ = IsWindows9x();
    if (mode_ == RunMode::Saver && win9x_) passwordVerifier_.Load();
    if (mode_ != RunMode::Preview) {
        int result = loadRun();
        if (result == graphics::kNoDesktopMode) {
            MessageBoxA(nullptr, "Cant get Desktop DisplayMode.", "Error!", MB_ICONERROR);
            return;
        }
        if (result == graphics::kNoDevice) {
            MessageBoxA(nullptr, "Could not find any compatible Direct3D\ndevices.", "Error!",
                        MB_ICONERROR);
            return;
        }
    }
    SetTimer(mainWindow_, kFpsTimer, 1000, nullptr);
    quit_ = false;
    lastFrameTime_ = timeGetTime();
    MSG msg{};
    while (msg.message != WM_QUIT && !quit_) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        } else if (mode_ != RunMode::Preview) {
            FrameStep();
        }
        Sleep(2);
    }
}

HRESULT SaverApp::FrameStep() {
    if (device_ == nullptr) return E_FAIL;
    // The difference of the integer clock values, taken before any conversion: a float
    // holds a millisecond count exactly only up to 2^24 (4.7 hours), and the unsigned
    // difference stays right across the 49.7-day wrap.
    const DWORD now = timeGetTime();
    const auto elapsed = static_cast<float>(now - lastFrameTime_);
    lastFrameTime_ = now;

    HRESULT hr = device_->TestCooperativeLevel();
    if (hr == D3DERR_DEVICELOST) return hr;
    if (hr == D3DERR_DEVICENOTRESET) {
        restoreDevice();
        return hr;
    }
    if (FAILED(hr)) return hr;

    FrameMove(device_, elapsed);
    RenderFrame(device_);
    frontBufferParity_ = 1 - frontBufferParity_;
    ++frameCount_;
    return S_OK;
}

void SaverApp::restoreDevice() {
    log_.Write(config::log_lines::kDeviceWasLost);
    log_.Write(config::log_lines::kTryToRestore);
    InvalidateDeviceObjects();
    HRESULT hr = device_->Reset(&presentParams_);
    // A failed reset shows up as D3DERR_DEVICENOTRESET again on the next step, which retries.
    InitDeviceState(device_);
    if (SUCCEEDED(hr)) RestoreDeviceObjects(device_);
    frontBufferParity_ = 1;
    log_.Write(config::log_lines::kRestoreComplete);
    log_.Write("");
    lastFrameTime_ = timeGetTime();
}

void SaverApp::AttachDeviceForTest(IDirect3DDevice8* device, const D3DPRESENT_PARAMETERS& params) {
    device_ = device;
    ownsDevice_ = false;
    presentParams_ = params;
}

void SaverApp::InitDeviceState(IDirect3DDevice8* device) {
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_ALPHAREF, 32);
    device->SetRenderState(D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetTextureStageState(0, D3DTSS_ADDRESSV, D3DTADDRESS_WRAP);
    device->SetRenderState(D3DRS_DITHERENABLE, TRUE);
    device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    D3DMATERIAL8 material{};
    material.Diffuse = material.Ambient = material.Specular = material.Emissive = {1, 1, 1, 1};
    material.Power = 50.0f;
    device->SetMaterial(&material);
    D3DMATRIX identity{};
    identity._11 = identity._22 = identity._33 = identity._44 = 1.0f;
    device->SetTransform(D3DTS_WORLD, &identity);
    // A default perspective: 45 degrees vertical field of view, far plane 150. The near
    // plane must be positive: at 0 the projection is degenerate (every depth maps to the
    // same value).
    const float nearPlane = 0.1f, farPlane = 150.0f;
    const float yScale = 2.4142136f;  // 1 / tan(22.5 degrees)
    D3DMATRIX projection{};
    projection._11 = yScale;
    projection._22 = yScale;
    projection._33 = farPlane / (farPlane - nearPlane);
    projection._34 = 1.0f;
    projection._43 = -nearPlane * farPlane / (farPlane - nearPlane);
    device->SetTransform(D3DTS_PROJECTION, &projection);
}

void SaverApp::ShowLoadingScreen(IDirect3DDevice8* device) {
    overlay_.ShowLoadingScreen(device, LogLine(), &frontBufferParity_);
}

void SaverApp::FrameMove(IDirect3DDevice8* device, float) {
    // Look-at from (0, 0, -1) toward the origin with up (0, 1, 0), left-handed: the view
    // matrix is the identity translated by +1 along z.
    D3DMATRIX view{};
    view._11 = view._22 = view._33 = view._44 = 1.0f;
    view._43 = 1.0f;
    device->SetTransform(D3DTS_VIEW, &view);
}

void SaverApp::RenderFrame(IDirect3DDevice8* device) {
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF0000FF, 1.0f, 0);
    device->BeginScene();
    DrawOverlay(device);
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void SaverApp::DrawOverlay(IDirect3DDevice8* device) {
    graphics::OverlayFrame frame;
    frame.showTime = settings_.ShowTime != FALSE;
    frame.showFps = settings_.ShowFPS != FALSE;
    frame.twentyFourHour = settings_.DigClock_24H;
    frame.fps = fps_;
    graphics::LocalTimeOfDay(&frame.hours, &frame.minutes, &frame.seconds);
    overlay_.Draw(device, frame);
}

}  // namespace eh::shell
