// The GTK view on a real X display (run under Xvfb by CTest; skipped without a display).
// Clicks and keys are X events sent through the server to the dialog's window; GTK takes
// such sent events only from core devices, hence GDK_CORE_DEVICE_EVENTS.
#include <gtk/gtk.h>

#include <cstdlib>
#include <string>

#include "config/dialog_gtk.h"
#include "config/dialog_gtk_view.h"
#include "tests/config/dialog_fixture.h"

namespace eh::config {
namespace {

namespace id = dialog_id;

// Runs the main context until `done` holds or `rounds` x 10 ms have passed.
template <typename Done>
bool pumpUntil(Done done, int rounds = 300) {
    for (int i = 0; i < rounds; ++i) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        if (done()) return true;
        g_usleep(10000);
    }
    return done();
}

// Lets the X server and GTK deliver what is queued (for a fixed short while).
void pump() {
    pumpUntil([] { return false; }, 15);
}

class GtkDialogTest : public testing::DialogFixture {
  protected:
    void SetUp() override {
        g_setenv("GDK_CORE_DEVICE_EVENTS", "1", TRUE);
        if (!gtk_init_check(nullptr, nullptr)) GTEST_SKIP() << "no X display";
        DialogFixture::SetUp();
        controller = std::make_unique<ConfigDialogController>(context());
        view = std::make_unique<GtkConfigDialog>(*controller, texts);
        view->Open();
        GtkWidget* window = view->View().Window();
        ASSERT_TRUE(pumpUntil([&] {
            GdkWindow* w = gtk_widget_get_window(window);
            return w != nullptr && gdk_window_is_viewable(w) &&
                   gtk_widget_get_allocated_width(widget(id::kCancel)) > 1;
        }));
    }
    void TearDown() override { view.reset(); }

    GtkWidget* widget(int controlId) { return view->View().Control(controlId); }

    // A left click in the middle of a control, through the X server.
    void click(int controlId) {
        GtkWidget* w = widget(controlId);
        GtkAllocation a;
        gtk_widget_get_allocation(w, &a);
        GdkWindow* window = gtk_widget_get_window(view->View().Window());
        int x = a.x + a.width / 2;
        int y = a.y + a.height / 2;
        gdk_test_simulate_button(window, x, y, 1, GdkModifierType(0), GDK_BUTTON_PRESS);
        gdk_test_simulate_button(window, x, y, 1, GDK_BUTTON1_MASK, GDK_BUTTON_RELEASE);
        pump();
    }

    void key(guint keyval) {
        GdkWindow* window = gtk_widget_get_window(view->View().Window());
        gdk_test_simulate_key(window, -1, -1, keyval, GdkModifierType(0), GDK_KEY_PRESS);
        gdk_test_simulate_key(window, -1, -1, keyval, GdkModifierType(0), GDK_KEY_RELEASE);
        pump();
    }

    std::unique_ptr<GtkConfigDialog> view;
};

TEST_F(GtkDialogTest, ShowsTheTemplateWithItsCaptionsAndOkStoresAClickedSetting) {
    GtkWidget* window = view->View().Window();
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)),
                 "Emberhold 3D Bildschirmschoner Konfiguration");
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget(id::kVolumeLabel))), "Lautstärke:");
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(widget(id::kAbout))), "Über...");
    EXPECT_STREQ(gtk_frame_get_label(GTK_FRAME(widget(id::kMiscGroup))), "Verschiedene Optionen");
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(widget(id::kModeList))), 1);
    EXPECT_FALSE(gtk_widget_is_sensitive(widget(id::kModeList)));
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(id::kClock24h))));
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(id::kClock12h))));
    EXPECT_DOUBLE_EQ(gtk_range_get_value(GTK_RANGE(widget(id::kVolume))), 70.0);

    // Every control sits where the template puts it, in the font's dialog units.
    for (int controlId : {id::kVideoGroup, id::kVolume, id::kGamma, id::kShowFps, id::kOk}) {
        PixelRect r = view->View().ControlRect(controlId);
        GtkAllocation a;
        gtk_widget_get_allocation(widget(controlId), &a);
        EXPECT_EQ(a.x, r.x) << controlId;
        EXPECT_EQ(a.y, r.y) << controlId;
        EXPECT_GE(a.width, r.w) << controlId;
    }

    if (const char* shot = std::getenv("EH_DIALOG_SCREENSHOT")) {
        EXPECT_TRUE(view->Snapshot(shot));
    }
    std::string png = dir.file("dialog.png");
    EXPECT_TRUE(view->Snapshot(png));
    EXPECT_GT(eh::testing::TempDir::read(png).size(), 1000u);

    click(id::kShowFps);
    EXPECT_TRUE(settings.ShowFPS);
    EXPECT_TRUE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(id::kShowFps))));
    click(id::kClock12h);
    EXPECT_FALSE(settings.DigClock_24H);
    EXPECT_FALSE(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(widget(id::kClock24h))));
    click(id::kMusic);
    click(id::kSfx);
    EXPECT_FALSE(gtk_widget_is_sensitive(widget(id::kVolume)));
    EXPECT_FALSE(gtk_widget_is_sensitive(widget(id::kVolumeLabel)));

    click(id::kOk);
    EXPECT_EQ(view->Run(), 1);
    std::string file = readSettingsFile();
    EXPECT_NE(file.find("ShowFPS=2\n"), std::string::npos) << file;
    EXPECT_NE(file.find("DigClock_24H=1\n"), std::string::npos) << file;
    EXPECT_NE(file.find("Music=1\n"), std::string::npos) << file;
}

TEST_F(GtkDialogTest, ArrowKeysOnTheVolumeSliderAreStoredAndEscapeCancels) {
    gtk_widget_grab_focus(widget(id::kVolume));
    pump();
    key(GDK_KEY_Right);
    key(GDK_KEY_Right);
    EXPECT_DOUBLE_EQ(gtk_range_get_value(GTK_RANGE(widget(id::kVolume))), 72.0);
    EXPECT_EQ(settings.MusicVolume, 72);

    key(GDK_KEY_Escape);
    EXPECT_TRUE(view->Ended());
    EXPECT_EQ(view->Run(), 2);
    // Opening created the empty key; no value was written.
    EXPECT_EQ(readSettingsFile().find('='), std::string::npos) << readSettingsFile();
}

TEST_F(GtkDialogTest, DraggingGammaRewritesTheLabelAndListsStoreTheirData) {
    gboolean handled = FALSE;
    g_signal_emit_by_name(widget(id::kGamma), "change-value", GTK_SCROLL_JUMP, 150.0, &handled);
    pump();
    EXPECT_EQ(settings.GmCntrl, 150);
    EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(widget(id::kGammaLabel))), "Gammakontrolle: 150%");

    gtk_combo_box_set_active(GTK_COMBO_BOX(widget(id::kFsaaList)), 3);
    pump();
    EXPECT_EQ(settings.FSAA, 4);

    click(id::kRestoreDefaults);
    EXPECT_EQ(settings.GmCntrl, 100);
    EXPECT_EQ(settings.FSAA, 0);
    EXPECT_EQ(gtk_combo_box_get_active(GTK_COMBO_BOX(widget(id::kFsaaList))), 0);
    EXPECT_DOUBLE_EQ(gtk_range_get_value(GTK_RANGE(widget(id::kGamma))), 100.0);

    // The close box is Cancel.
    GdkEvent* del = gdk_event_new(GDK_DELETE);
    del->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(view->View().Window())));
    gtk_main_do_event(del);
    gdk_event_free(del);
    EXPECT_EQ(view->Run(), 2);
    EXPECT_EQ(readSettingsFile().find('='), std::string::npos) << readSettingsFile();
}

TEST_F(GtkDialogTest, AboutBoxShowsTheSevenLinesAndClosesWithOk) {
    struct Seen {
        std::string title;
        std::string first;
        bool closed = false;
    } seen;
    // The About box runs its own loop inside the click; look at it from a timer.
    g_timeout_add(
        300,
        +[](gpointer data) -> gboolean {
            auto* s = static_cast<Seen*>(data);
            GList* windows = gtk_window_list_toplevels();
            for (GList* l = windows; l != nullptr; l = l->next) {
                GtkWindow* w = GTK_WINDOW(l->data);
                const char* title = gtk_window_get_title(w);
                if (title == nullptr || std::string(title) != "Über" ||
                    !gtk_widget_get_visible(GTK_WIDGET(w)))
                    continue;
                s->title = title;
                GtkWidget* fixed = gtk_bin_get_child(GTK_BIN(w));
                GList* children = gtk_container_get_children(GTK_CONTAINER(fixed));
                for (GList* c = children; c != nullptr; c = c->next) {
                    GtkWidget* child = GTK_WIDGET(c->data);
                    if (ControlIdOf(child) == id::kAboutFirstLine)
                        s->first = gtk_label_get_text(GTK_LABEL(child));
                    if (ControlIdOf(child) == id::kOk) {
                        gtk_button_clicked(GTK_BUTTON(child));
                        s->closed = true;
                    }
                }
                g_list_free(children);
            }
            g_list_free(windows);
            return G_SOURCE_REMOVE;
        },
        &seen);
    click(id::kAbout);
    pumpUntil([&] { return seen.closed; });
    EXPECT_EQ(seen.title, "Über");
    EXPECT_EQ(seen.first, "Emberhold 3D Bildschirmschoner 1.0");
    EXPECT_TRUE(seen.closed);
    EXPECT_FALSE(view->Ended());
}

}  // namespace
}  // namespace eh::config
