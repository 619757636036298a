#pragma once

#include <QString>
#include <QStringList>

// Every window is laid out for Tahoma. Where the system has no such family, the metric-compatible
// Tahoma and Tahoma Bold of Wine's font package are registered with the application, so texts fit
// where they were sized; without them the system's font stands in.
class TahomaFont final {
public:
    TahomaFont() = delete;

    static const QString& Family();
    // The files registered when no "Tahoma" is installed.
    static QStringList FallbackFiles();

    // Needs a QGuiApplication. True when "Tahoma" is available afterwards.
    static bool Register();
};
