// Private: the GTK widgets of the configuration and About dialogs. Tests include this
// header to reach the widgets; everything else uses dialog_gtk.h.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>
#include <vector>

#include "config/dialog_controller.h"

namespace eh::config {

// Builds a template's controls in a fixed layout, in pixels converted from dialog units
// with the base units of the dialog font.
class GtkTemplateWindow {
  public:
    GtkTemplateWindow(const DialogTemplate& tmpl, const char* cssClass);
    ~GtkTemplateWindow();
    GtkTemplateWindow(const GtkTemplateWindow&) = delete;
    GtkTemplateWindow& operator=(const GtkTemplateWindow&) = delete;

    GtkWidget* Window() const { return window_; }
    // The widget of control `id`, or nullptr (the picture is dialog_id::kPicture).
    GtkWidget* Control(int id) const;
    PixelRect ControlRect(int id) const;
    int BaseUnitX() const { return baseX_; }
    int BaseUnitY() const { return baseY_; }

  private:
    void build(const DialogTemplate& tmpl);

    GtkWidget* window_ = nullptr;
    GtkWidget* fixed_ = nullptr;
    GdkPixbuf* picture_ = nullptr;
    int baseX_ = 6;
    int baseY_ = 13;
    std::map<int, GtkWidget*> widgets_;
    std::map<int, PixelRect> rects_;
};

// The configuration dialog: shows the controller's controls and reports user actions to it.
class GtkConfigDialog {
  public:
    GtkConfigDialog(ConfigDialogController& controller, const TextTable& texts);

    // Runs WM_INITDIALOG and shows the window.
    void Open();
    // Runs the main loop until the dialog ends; returns the controller's end result.
    int Run();
    bool Ended() const { return controller_.EndResult() != 0; }

    GtkTemplateWindow& View() { return view_; }
    // Writes what the window shows now to a PNG file. False when it cannot.
    bool Snapshot(const std::string& pngPath);

  private:
    void sync();
    void handle(DialogAction action);
    void showAbout();
    void onScale(int id, GtkScrollType scroll);

    static void onClicked(GtkButton* button, gpointer self);
    static void onComboChanged(GtkComboBox* combo, gpointer self);
    static gboolean onChangeValue(GtkRange* range, GtkScrollType scroll, gdouble value,
                                  gpointer self);
    static void onValueChanged(GtkRange* range, gpointer self);
    static gboolean onDelete(GtkWidget* widget, GdkEvent* event, gpointer self);
    static gboolean onKey(GtkWidget* widget, GdkEventKey* event, gpointer self);

    ConfigDialogController& controller_;
    const TextTable& texts_;
    GtkTemplateWindow view_;
    std::map<int, std::vector<ListItem>> shownItems_;
    std::map<int, GtkScrollType> lastScroll_;
    bool syncing_ = false;
    bool running_ = false;
};

int ControlIdOf(GtkWidget* widget);

}  // namespace eh::config
