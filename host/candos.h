// Capability texts exchanged with the host through effCanDo and audioMasterCanDo.
#pragma once

#include "host/export.h"

namespace PlugCanDos {
QX_EXPORT extern const char* canDoSendVstEvents;
QX_EXPORT extern const char* canDoSendVstMidiEvent;
QX_EXPORT extern const char* canDoReceiveVstEvents;
QX_EXPORT extern const char* canDoReceiveVstMidiEvent;
QX_EXPORT extern const char* canDoReceiveVstTimeInfo;
QX_EXPORT extern const char* canDoOffline;
QX_EXPORT extern const char* canDoMidiProgramNames;
QX_EXPORT extern const char* canDoBypass;
}  // namespace PlugCanDos

namespace HostCanDos {
QX_EXPORT extern const char* canDoSendVstEvents;
QX_EXPORT extern const char* canDoSendVstMidiEvent;
QX_EXPORT extern const char* canDoSendVstTimeInfo;
QX_EXPORT extern const char* canDoReceiveVstEvents;
QX_EXPORT extern const char* canDoReceiveVstMidiEvent;
QX_EXPORT extern const char* canDoReportConnectionChanges;
QX_EXPORT extern const char* canDoAcceptIOChanges;
QX_EXPORT extern const char* canDoSizeWindow;
QX_EXPORT extern const char* canDoOffline;
QX_EXPORT extern const char* canDoOpenFileSelector;
QX_EXPORT extern const char* canDoCloseFileSelector;
QX_EXPORT extern const char* canDoStartStopProcess;
QX_EXPORT extern const char* canDoShellCategory;
QX_EXPORT extern const char* canDoSendVstMidiEventFlagIsRealtime;
}  // namespace HostCanDos
