#pragma once
// Process-wide state of the program. One instance lives in the main window for
// the whole run; every other part reaches it through the main window.

#include <QString>
#include <cstdint>

// White, as 0x00BBGGRR: annotations show on the graph's black background.
constexpr int kDefaultAnnoColor = 0xFFFFFF;

struct TAppState {
    // Settings and folders.
    QString UserFolder;            // documents folder + "QM738/", or empty
    int RealTimeRate = 2;          // seconds between real-time points
    int AnnoColor = kDefaultAnnoColor; // colour of new graph annotations (0x00BBGGRR)

    // Link flags.
    bool Connected = false;        // a meter answers on the current link
    bool UsbLink = false;          // the connection runs over USB HID
    bool SerialLink = false;       // the connection runs over the serial port
    bool PollBusy = false;         // a poll tick is under way

    // Real-time recording and graph windows.
    bool RealTimeRecording = false;
    bool RealTimeGraphUnsaved = false;
    bool LoggerDataUnsaved = false;
    int RealTimePointCount = 0;
    double RealTimeSpanStep = 0.0; // days
    int GraphCursorMode = -99;     // -99 normal, 0 text, 2 cross
    int LastAnnotationIndex = 3;   // user annotations start at 4
};
