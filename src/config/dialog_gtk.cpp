#include "config/dialog_gtk.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "config/dialog_gtk_view.h"
#include "config/text_table.h"
#include "platform/os/codepage.h"
#include "platform/os/resources.h"

namespace eh::config {
namespace id = dialog_id;

namespace {

constexpr char kControlIdKey[] = "eh-control-id";

// Our stand-in for "Microsoft Sans Serif" 8 and for the tight metrics of Windows controls:
// GTK's default theme pads controls for a 10-11 pt font, which would overlap at the
// template's positions.
constexpr char kCss[] = R"css(
.eh-dialog { font-family: "Microsoft Sans Serif", "Liberation Sans", "DejaVu Sans", sans-serif;
             font-size: 8pt; }
.eh-dialog button { padding: 0 4px; min-height: 0; min-width: 0; }
.eh-dialog combobox button { padding: 0 2px 0 4px; min-height: 0; }
.eh-dialog checkbutton, .eh-dialog radiobutton { padding: 0; min-height: 0; }
.eh-dialog check, .eh-dialog radio { min-width: 11px; min-height: 11px; margin: 0 4px 0 0; }
.eh-dialog scale { padding: 0; margin: 0; min-height: 0; }
.eh-dialog scale slider { min-width: 10px; min-height: 14px; margin: -5px 0; }
.eh-dialog frame > border { border-radius: 0; }
)css";

std::string utf8(const std::string& ansi) {
    return os::ToUtf8(ansi, os::CodePage::Windows1252);
}

void installCss() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(provider, kCss, -1, nullptr);
    gtk_style_context_add_provider_for_screen(gdk_screen_get_default(),
                                              GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    g_object_unref(provider);
}

// A BITMAP resource (a .bmp file's bytes), or nullptr when absent or unreadable.
GdkPixbuf* loadBitmap(int bitmapId) {
    os::ResourceData res = os::FindResourceData("BITMAP", bitmapId);
    if (!res) return nullptr;
    GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
    GdkPixbuf* pixbuf = nullptr;
    if (gdk_pixbuf_loader_write(loader, res.data, res.size, nullptr) &&
        gdk_pixbuf_loader_close(loader, nullptr)) {
        pixbuf = gdk_pixbuf_loader_get_pixbuf(loader);
        if (pixbuf) g_object_ref(pixbuf);
    } else {
        gdk_pixbuf_loader_close(loader, nullptr);
    }
    g_object_unref(loader);
    return pixbuf;
}

// Painted in place of a bitmap the build does not carry: an evening sky fading into ember
// light, with a blade standing in the ground.
void paintPlaceholder(cairo_t* cr, int w, int h) {
    cairo_pattern_t* sky = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.10, 0.10, 0.25);
    cairo_pattern_add_color_stop_rgb(sky, 0.65, 0.80, 0.38, 0.16);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.20, 0.14, 0.08);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);
    double cx = w * 0.5;
    cairo_set_source_rgb(cr, 0.85, 0.85, 0.90);
    cairo_move_to(cr, cx, h * 0.12);
    cairo_line_to(cr, cx + w * 0.03, h * 0.25);
    cairo_line_to(cr, cx + w * 0.03, h * 0.80);
    cairo_line_to(cr, cx - w * 0.03, h * 0.80);
    cairo_line_to(cr, cx - w * 0.03, h * 0.25);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_source_rgb(cr, 0.55, 0.35, 0.15);
    cairo_rectangle(cr, cx - w * 0.14, h * 0.25, w * 0.28, h * 0.05);
    cairo_fill(cr);
}

gboolean drawPicture(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* pixbuf = static_cast<GdkPixbuf*>(data);
    int w = gtk_widget_get_allocated_width(widget);
    int h = gtk_widget_get_allocated_height(widget);
    if (pixbuf == nullptr) {
        paintPlaceholder(cr, w, h);
        return TRUE;
    }
    double sx = static_cast<double>(w) / gdk_pixbuf_get_width(pixbuf);
    double sy = static_cast<double>(h) / gdk_pixbuf_get_height(pixbuf);
    cairo_scale(cr, sx, sy);
    gdk_cairo_set_source_pixbuf(cr, pixbuf, 0, 0);
    cairo_paint(cr);
    return TRUE;
}

void ellipsizeChildLabel(GtkWidget* widget) {
    GtkWidget* child = gtk_bin_get_child(GTK_BIN(widget));
    if (child && GTK_IS_LABEL(child))
        gtk_label_set_ellipsize(GTK_LABEL(child), PANGO_ELLIPSIZE_END);
}

// Runs the main context until `flag` is set or about two seconds have passed.
void pumpUntil(const bool& flag) {
    for (int i = 0; i < 200 && !flag; ++i) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (!flag) g_usleep(10000);
    }
    while (g_main_context_iteration(nullptr, FALSE)) {
    }
}

}  // namespace

int ControlIdOf(GtkWidget* widget) {
    return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(widget), kControlIdKey));
}

// ---- GtkTemplateWindow ------------------------------------------------------------------

GtkTemplateWindow::GtkTemplateWindow(const DialogTemplate& tmpl, const char* cssClass) {
    installCss();
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window_);
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), "eh-dialog");
    gtk_style_context_add_class(gtk_widget_get_style_context(window_), cssClass);
    gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
    gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
    gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);

    // Base units of the dialog font, as Windows derives them: the average width of the 52
    // Latin letters (rounded) and the line height.
    PangoLayout* layout = gtk_widget_create_pango_layout(
        window_, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    g_object_unref(layout);
    if (w > 0 && h > 0) {
        baseX_ = (w / 26 + 1) / 2;
        baseY_ = h;
    }
    build(tmpl);
}

GtkTemplateWindow::~GtkTemplateWindow() {
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    if (picture_) g_object_unref(picture_);
}

GtkWidget* GtkTemplateWindow::Control(int controlId) const {
    auto it = widgets_.find(controlId);
    return it == widgets_.end() ? nullptr : it->second;
}

PixelRect GtkTemplateWindow::ControlRect(int controlId) const {
    auto it = rects_.find(controlId);
    return it == rects_.end() ? PixelRect{0, 0, 0, 0} : it->second;
}

void GtkTemplateWindow::build(const DialogTemplate& tmpl) {
    fixed_ = gtk_fixed_new();
    PixelRect size = DialogUnitsToPixels(0, 0, tmpl.width, tmpl.height, baseX_, baseY_);
    gtk_widget_set_size_request(fixed_, size.w, size.h);
    gtk_container_add(GTK_CONTAINER(window_), fixed_);
    picture_ = loadBitmap(tmpl.bitmapId);

    GSList* radioGroup = nullptr;
    for (const ControlTemplate& c : tmpl.controls) {
        PixelRect r = DialogUnitsToPixels(c.x, c.y, c.w, c.h, baseX_, baseY_);
        GtkWidget* widget = nullptr;
        int height = r.h;
        switch (c.kind) {
            case ControlKind::GroupBox:
                widget = gtk_frame_new("");
                gtk_frame_set_label_align(GTK_FRAME(widget), 0.03f, 0.5f);
                break;
            case ControlKind::Frame:
                widget = gtk_frame_new(nullptr);
                break;
            case ControlKind::DropDownList:
                widget = gtk_combo_box_text_new();
                height = -1;  // the template's height is the open list's extent
                break;
            case ControlKind::CheckBox:
                widget = gtk_check_button_new_with_label("");
                ellipsizeChildLabel(widget);
                break;
            case ControlKind::RadioButton:
                widget = gtk_radio_button_new_with_label(radioGroup, "");
                radioGroup = gtk_radio_button_get_group(GTK_RADIO_BUTTON(widget));
                ellipsizeChildLabel(widget);
                break;
            case ControlKind::Label:
                widget = gtk_label_new("");
                gtk_label_set_xalign(GTK_LABEL(widget), 0.0f);
                gtk_label_set_yalign(GTK_LABEL(widget), 0.0f);
                gtk_label_set_ellipsize(GTK_LABEL(widget), PANGO_ELLIPSIZE_END);
                break;
            case ControlKind::Trackbar:
                widget = gtk_scale_new_with_range(GTK_ORIENTATION_HORIZONTAL, 0, 100, 1);
                gtk_scale_set_draw_value(GTK_SCALE(widget), FALSE);
                gtk_scale_set_digits(GTK_SCALE(widget), 0);
                break;
            case ControlKind::Picture:
                widget = gtk_drawing_area_new();
                g_signal_connect(widget, "draw", G_CALLBACK(drawPicture), picture_);
                break;
            case ControlKind::Button:
            case ControlKind::DefaultButton:
                // Buttons keep their whole caption, growing to the right where needed.
                widget = gtk_button_new_with_label("");
                if (c.kind == ControlKind::DefaultButton) {
                    gtk_widget_set_can_default(widget, TRUE);
                    gtk_window_set_default(GTK_WINDOW(window_), widget);
                }
                break;
        }
        g_object_set_data(G_OBJECT(widget), kControlIdKey, GINT_TO_POINTER(c.id));
        gtk_widget_set_size_request(widget, r.w, height);
        gtk_fixed_put(GTK_FIXED(fixed_), widget, r.x, r.y);
        widgets_[c.id] = widget;
        rects_[c.id] = r;
    }
}

// ---- GtkConfigDialog --------------------------------------------------------------------

GtkConfigDialog::GtkConfigDialog(ConfigDialogController& controller, const TextTable& texts)
    : controller_(controller), texts_(texts), view_(ConfigDialogTemplate(), "eh-config") {
    GtkWidget* window = view_.Window();
    for (const ControlTemplate& c : ConfigDialogTemplate().controls) {
        GtkWidget* w = view_.Control(c.id);
        switch (c.kind) {
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
            case ControlKind::Button:
            case ControlKind::DefaultButton:
                g_signal_connect(w, "clicked", G_CALLBACK(onClicked), this);
                break;
            case ControlKind::DropDownList:
                g_signal_connect(w, "changed", G_CALLBACK(onComboChanged), this);
                break;
            case ControlKind::Trackbar:
                g_signal_connect(w, "change-value", G_CALLBACK(onChangeValue), this);
                g_signal_connect(w, "value-changed", G_CALLBACK(onValueChanged), this);
                break;
            default:
                break;
        }
    }
    g_signal_connect(window, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(onKey), this);
}

void GtkConfigDialog::Open() {
    controller_.InitDialog();
    gtk_window_set_title(GTK_WINDOW(view_.Window()), utf8(controller_.Title()).c_str());
    sync();
    gtk_widget_show_all(view_.Window());
    sync();  // show_all made hidden controls visible again
}

int GtkConfigDialog::Run() {
    running_ = true;
    while (!Ended()) g_main_context_iteration(nullptr, TRUE);
    running_ = false;
    gtk_widget_hide(view_.Window());
    return controller_.EndResult();
}

bool GtkConfigDialog::Snapshot(const std::string& pngPath) {
    GdkWindow* window = gtk_widget_get_window(view_.Window());
    if (window == nullptr) return false;
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window),
                                                   gdk_window_get_height(window));
    if (pixbuf == nullptr) return false;
    gboolean ok = gdk_pixbuf_save(pixbuf, pngPath.c_str(), "png", nullptr, nullptr);
    g_object_unref(pixbuf);
    return ok;
}

void GtkConfigDialog::sync() {
    syncing_ = true;
    const DialogControls& controls = controller_.Controls();
    for (const ControlTemplate& c : ConfigDialogTemplate().controls) {
        GtkWidget* w = view_.Control(c.id);
        const ControlState& s = controls.Get(c.id);
        gtk_widget_set_sensitive(w, s.enabled);
        gtk_widget_set_visible(w, s.visible);
        switch (c.kind) {
            case ControlKind::GroupBox:
                gtk_frame_set_label(GTK_FRAME(w), utf8(s.text).c_str());
                break;
            case ControlKind::Label:
                gtk_label_set_text(GTK_LABEL(w), utf8(s.text).c_str());
                break;
            case ControlKind::CheckBox:
            case ControlKind::RadioButton:
                gtk_button_set_label(GTK_BUTTON(w), utf8(s.text).c_str());
                ellipsizeChildLabel(w);
                // Only set the mark that is on: GTK's radio group clears its partner itself.
                if (c.kind == ControlKind::CheckBox || s.checked)
                    gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(w), s.checked);
                break;
            case ControlKind::Button:
            case ControlKind::DefaultButton:
                gtk_button_set_label(GTK_BUTTON(w), utf8(s.text).c_str());
                break;
            case ControlKind::Trackbar: {
                GtkRange* range = GTK_RANGE(w);
                gtk_range_set_range(range, s.rangeMin, s.rangeMax);
                gtk_range_set_increments(range, 1, s.pageSize);
                gtk_range_set_value(range, s.position);
                break;
            }
            case ControlKind::DropDownList: {
                auto& shown = shownItems_[c.id];
                if (shown != s.items) {
                    gtk_combo_box_text_remove_all(GTK_COMBO_BOX_TEXT(w));
                    for (const ListItem& item : s.items)
                        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(w),
                                                       utf8(item.text).c_str());
                    shown = s.items;
                }
                gtk_combo_box_set_active(GTK_COMBO_BOX(w), s.selection);
                break;
            }
            default:
                break;
        }
    }
    syncing_ = false;
}

void GtkConfigDialog::handle(DialogAction action) {
    if (action == DialogAction::ShowAbout) showAbout();
    sync();
}

void GtkConfigDialog::showAbout() {
    AboutTexts texts = BuildAboutTexts(texts_);
    GtkTemplateWindow about(AboutDialogTemplate(), "eh-about");
    GtkWindow* window = GTK_WINDOW(about.Window());
    gtk_window_set_title(window, utf8(texts.title).c_str());
    gtk_window_set_modal(window, TRUE);
    gtk_window_set_transient_for(window, GTK_WINDOW(view_.Window()));
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    for (int i = 0; i < 7; ++i) {
        gtk_label_set_text(GTK_LABEL(about.Control(id::kAboutFirstLine + i)),
                           utf8(texts.lines[static_cast<std::size_t>(i)]).c_str());
    }
    gtk_button_set_label(GTK_BUTTON(about.Control(id::kOk)), utf8(texts.ok).c_str());

    bool done = false;
    auto quit = +[](GtkWidget*, gpointer flag) { *static_cast<bool*>(flag) = true; };
    g_signal_connect(about.Control(id::kOk), "clicked", G_CALLBACK(quit), &done);
    auto close = +[](GtkWidget*, GdkEvent*, gpointer flag) -> gboolean {
        *static_cast<bool*>(flag) = true;
        return TRUE;
    };
    g_signal_connect(about.Window(), "delete-event", G_CALLBACK(close), &done);
    gtk_widget_show_all(about.Window());
    while (!done) g_main_context_iteration(nullptr, TRUE);
    gtk_widget_hide(about.Window());
}

void GtkConfigDialog::onClicked(GtkButton* button, gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    if (dialog->syncing_ || dialog->Ended()) return;
    int controlId = ControlIdOf(GTK_WIDGET(button));
    // A radio button also reports the partner it switches off; only the one switched on
    // is the user's click.
    if (GTK_IS_RADIO_BUTTON(button) && !gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(button)))
        return;
    dialog->handle(dialog->controller_.Command(controlId, BN_CLICKED));
}

void GtkConfigDialog::onComboChanged(GtkComboBox* combo, gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    if (dialog->syncing_ || dialog->Ended()) return;
    int controlId = ControlIdOf(GTK_WIDGET(combo));
    dialog->controller_.Controls()[controlId].selection = gtk_combo_box_get_active(combo);
    dialog->handle(dialog->controller_.Command(controlId, CBN_SELENDOK));
}

gboolean GtkConfigDialog::onChangeValue(GtkRange* range, GtkScrollType scroll, gdouble,
                                        gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    dialog->lastScroll_[ControlIdOf(GTK_WIDGET(range))] = scroll;
    return FALSE;  // GTK moves the slider
}

void GtkConfigDialog::onValueChanged(GtkRange* range, gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    if (dialog->syncing_ || dialog->Ended()) return;
    int controlId = ControlIdOf(GTK_WIDGET(range));
    auto it = dialog->lastScroll_.find(controlId);
    GtkScrollType scroll = it == dialog->lastScroll_.end() ? GTK_SCROLL_JUMP : it->second;
    dialog->lastScroll_.erase(controlId);
    dialog->controller_.Controls()[controlId].position =
        static_cast<int>(std::lround(gtk_range_get_value(range)));
    dialog->onScale(controlId, scroll);
}

// The trackbar notifications Windows sends for the same user action: a drag reports
// TB_THUMBTRACK as it moves; keys and clicks on the channel report their step, then
// TB_ENDTRACK when the key or button is released.
void GtkConfigDialog::onScale(int, GtkScrollType scroll) {
    int code = TB_THUMBTRACK;
    bool endTrack = true;
    switch (scroll) {
        case GTK_SCROLL_STEP_BACKWARD:
        case GTK_SCROLL_STEP_LEFT:
        case GTK_SCROLL_STEP_UP:
            code = TB_LINEUP;
            break;
        case GTK_SCROLL_STEP_FORWARD:
        case GTK_SCROLL_STEP_RIGHT:
        case GTK_SCROLL_STEP_DOWN:
            code = TB_LINEDOWN;
            break;
        case GTK_SCROLL_PAGE_BACKWARD:
        case GTK_SCROLL_PAGE_LEFT:
        case GTK_SCROLL_PAGE_UP:
            code = TB_PAGEUP;
            break;
        case GTK_SCROLL_PAGE_FORWARD:
        case GTK_SCROLL_PAGE_RIGHT:
        case GTK_SCROLL_PAGE_DOWN:
            code = TB_PAGEDOWN;
            break;
        case GTK_SCROLL_START:
            code = TB_TOP;
            break;
        case GTK_SCROLL_END:
            code = TB_BOTTOM;
            break;
        default:
            endTrack = false;
            break;  // a drag: the thumb is still held
    }
    controller_.HScroll(code);
    if (endTrack) controller_.HScroll(TB_ENDTRACK);
    sync();
}

gboolean GtkConfigDialog::onDelete(GtkWidget*, GdkEvent*, gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    if (!dialog->Ended()) dialog->handle(dialog->controller_.Close());
    return TRUE;  // the window is hidden by Run, not destroyed by GTK
}

gboolean GtkConfigDialog::onKey(GtkWidget*, GdkEventKey* event, gpointer self) {
    auto* dialog = static_cast<GtkConfigDialog*>(self);
    if (event->keyval != GDK_KEY_Escape || dialog->Ended()) return FALSE;
    dialog->handle(dialog->controller_.Command(id::kCancel));
    return TRUE;
}

// ---- entry ------------------------------------------------------------------------------

int RunConfigDialogGtk(const DialogContext& context) {
    if (!gtk_init_check(nullptr, nullptr)) {
        std::fprintf(stderr, "emberhold: cannot open a display for the configuration dialog\n");
        return kDialogNoDisplay;
    }
    ConfigDialogController controller(context);
    GtkConfigDialog dialog(controller, *context.texts);
    dialog.Open();

    const char* snapshot = std::getenv("EMBERHOLD_DIALOG_SNAPSHOT");
    if (snapshot != nullptr && *snapshot != '\0') {
        bool drawn = false;
        auto onDraw = +[](GtkWidget*, cairo_t*, gpointer flag) -> gboolean {
            *static_cast<bool*>(flag) = true;
            return FALSE;
        };
        gulong handler =
            g_signal_connect_after(dialog.View().Window(), "draw", G_CALLBACK(onDraw), &drawn);
        pumpUntil(drawn);
        g_signal_handler_disconnect(dialog.View().Window(), handler);
        if (!dialog.Snapshot(snapshot))
            std::fprintf(stderr, "emberhold: cannot write %s\n", snapshot);
        controller.Close();
    }
    return dialog.Run();
}

}  // namespace eh::config
