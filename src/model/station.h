#pragma once

#include "model/device_objects.h"
#include "model/imaging_memory.h"
#include "model/operator_log.h"
#include "model/point_list.h"
#include "model/run_record.h"
#include "model/run_settings.h"
#include "model/run_state.h"
#include "station/automation_error.h"
#include "station/clock.h"
#include "station/desktop.h"
#include "station/object_factory.h"
#include "station/operator.h"

namespace kov {

// What the main window owns: the ports it was given and the state of the whole program.
// Procedures take it by reference.
struct Station {
    Station(Operator& ui_, Clock& clock_, ObjectFactory& objects_, Desktop& desktop_)
        : ui(ui_), clock(clock_), objects(objects_), desktop(desktop_), log(clock_) {}
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    Operator& ui;
    Clock& clock;
    ObjectFactory& objects;
    Desktop& desktop;

    RunSettings settings;
    RunState run;
    DeviceObjects devices;
    OperatorLog log;
    PointList points{settings.NumberOfAligns};  // the list `LV`; its count is the settings'
    ImagingMemory imaging;
    ErrorState error;    // the current error number and description
    RunRecorder record;  // what the current or last run did, point by point
};

}  // namespace kov
