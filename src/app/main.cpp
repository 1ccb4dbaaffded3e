// tm47logger: the operator's console and data logger for the TM47KVB instrument.

#include <QApplication>
#include <QStyleFactory>

#include <iostream>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/logger.h"
#include "app/main_wnd.h"
#include "app/message_box_qt.h"
#include "app/single_instance_qt.h"
#include "config/settings_file.h"
#include "platform/clock.h"

#include "sim/gps_simulator.h"
#include "sim/instrument_simulator.h"

int main(int argc, char** argv) {
    using namespace tm47;
    // Everything that needs no display (help, version, a bad argument) is answered before the
    // application object exists: Qt's platform plugin aborts when there is no display.
    const std::vector<std::string> rawArgs(argv + 1, argv + argc);
    CommandLine cmd;
    std::string error;
    if (!ParseCommandLine(rawArgs, cmd, error)) {
        std::cerr << "tm47logger: " << error << "\n" << CommandLineUsage();
        return 2;
    }
    if (cmd.help) {
        std::cout << CommandLineUsage();
        return 0;
    }
    if (cmd.version) {
        std::cout << CommandLineVersion();
        return 0;
    }

    // The zoom scales the whole logical screen, dialogs included; Qt takes it before the
    // application object exists.
    if (cmd.zoom > 1) {
        qputenv("QT_SCALE_FACTOR", QByteArray::number(cmd.zoom));
    }
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setQuitOnLastWindowClosed(false);

    std::error_code ec;
    std::filesystem::create_directories(cmd.root, ec);
    if (ec) {
        std::cerr << "tm47logger: cannot create " << cmd.root.string() << ": " << ec.message()
                  << "\n";
        return 2;
    }
    const DeviceRoot root(cmd.root);
    SingleInstance instance(root.Map(kSettingsFolder));
    if (!instance.Acquire()) {
        return -1;
    }

    LoggerOptions options;
    options.root = cmd.root;
    options.comMap = cmd.comMap;
    options.portrait = cmd.portrait;

    // --simulate: the instrument and the GPS receiver on pseudo-terminals in this process,
    // standing behind whatever COM numbers the settings give them. Both outlive the logger.
    InstrumentConfig instrumentConfig;
    instrumentConfig.delivery = Delivery::Streaming;
    InstrumentSimulator instrumentSim(instrumentConfig);
    // The receiver walks in step with the instrument, south (the default line direction).
    GpsConfig gpsConfig;
    gpsConfig.metersAlongLine = [&instrumentSim] { return instrumentSim.WalkedMeters(); };
    GpsSimulator gpsSim(gpsConfig);
    if (cmd.simulate) {
        std::string simError;
        if (!instrumentSim.Start(&simError) || !gpsSim.Start(&simError)) {
            std::cerr << "tm47logger: simulator: " << simError << "\n";
            return 2;
        }
        options.simulatedInstrumentPath = instrumentSim.DevicePath();
        options.simulatedGpsPath = gpsSim.DevicePath();
    }
    SystemClock clock;
    Logger logger(std::move(options), clock);
    QtMessageSink messages;
    MainWnd window(logger, messages);
    messages.SetOwner(&window);
    QObject::connect(&instance, &SingleInstance::activationRequested, &window,
                     &MainWnd::BringToFront);
    window.show();
    window.raise();
    window.activateWindow();
    return QApplication::exec();
}
