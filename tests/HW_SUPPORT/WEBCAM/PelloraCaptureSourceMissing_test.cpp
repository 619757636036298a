// A source whose converter or sink element is missing: the elements already made are released.
// Runs in a process of its own, since the missing elements are taken out of GStreamer's registry.
#include "PelloraCaptureSource.h"

#include <gst/gst.h>

#include <gtest/gtest.h>

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace {

using namespace std::chrono_literals;

// Counts the elements alive by type name: a tracer of our own sees every element made while it is
// registered, and a weak reference sees it go.
class LiveElements final {
public:
    static void Watch() {
        static GType type = g_type_register_static_simple(
            GST_TYPE_TRACER, "PelloraTestLiveElements", sizeof(GstTracerClass), nullptr,
            sizeof(GstTracer), nullptr, static_cast<GTypeFlags>(0));
        static gpointer tracer = g_object_new(type, nullptr);
        gst_tracing_register_hook(GST_TRACER(tracer), "element-new", G_CALLBACK(&OnNew));
    }

    static int Count(const char* typeName) {
        std::lock_guard lock(mutex());
        return counts()[typeName];
    }

private:
    static void OnNew(GObject*, GstClockTime, GstElement* element) {
        auto* name = new std::string(G_OBJECT_TYPE_NAME(element));
        {
            std::lock_guard lock(mutex());
            ++counts()[*name];
        }
        g_object_weak_ref(G_OBJECT(element), &OnGone, name);
    }

    static void OnGone(gpointer data, GObject*) {
        auto* name = static_cast<std::string*>(data);
        {
            std::lock_guard lock(mutex());
            --counts()[*name];
        }
        delete name;
    }

    static std::map<std::string, int>& counts() {
        static std::map<std::string, int> instance;
        return instance;
    }
    static std::mutex& mutex() {
        static std::mutex instance;
        return instance;
    }
};

void RemoveFromRegistry(const char* factory) {
    GstRegistry* registry = gst_registry_get();
    GstPluginFeature* feature = gst_registry_lookup_feature(registry, factory);
    ASSERT_NE(feature, nullptr) << factory;
    gst_registry_remove_feature(registry, feature);
    gst_object_unref(feature);
    GstElement* none = gst_element_factory_make(factory, nullptr);
    ASSERT_EQ(none, nullptr) << factory << " is still made";
}

const PelloraDevice TestCamera{QStringLiteral("Test"), QStringLiteral("videotestsrc"), {}, 4};

TEST(PelloraCaptureSourceMissing, ElementsMadeBeforeAMissingOneAreReleased) {
    gst_init(nullptr, nullptr);
    LiveElements::Watch();
    PelloraCaptureSource source;
    QString reason;

    // The count sees a working pipeline's elements come and go.
    ASSERT_TRUE(source.Start(TestCamera, &reason)) << reason.toStdString();
    EXPECT_EQ(LiveElements::Count("GstVideoTestSrc"), 1);
    EXPECT_EQ(LiveElements::Count("GstVideoConvert"), 1);
    source.Stop();
    ASSERT_EQ(LiveElements::Count("GstVideoTestSrc"), 0);
    ASSERT_EQ(LiveElements::Count("GstVideoConvert"), 0);

    struct Step {
        const char* removed;
        const char* left[2];
    };
    const Step steps[] = {{"appsink", {"GstVideoTestSrc", "GstVideoConvert"}},
                          {"videoconvert", {"GstVideoTestSrc", nullptr}}};
    for (const Step& step : steps) {
        SCOPED_TRACE(step.removed);
        RemoveFromRegistry(step.removed);
        EXPECT_THROW(source.Start(TestCamera, &reason), std::runtime_error);
        for (const char* name : step.left) {
            if (name != nullptr) {
                EXPECT_EQ(LiveElements::Count(name), 0) << name;
            }
        }
        EXPECT_TRUE(source.NewestFrame(0ms).isNull());
    }
}

} // namespace
