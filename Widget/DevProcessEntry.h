#pragma once
// One entry of the widget's timeline: the moment it stands for and the projects of the snapshot
// then, in snapshot order (the view orders them).

#include <vector>

#include "Platform/ISO8601.h"
#include "Shared/DevProject.h"

struct DevProcessEntry {
    Platform::Date date;
    std::vector<DevProject> projects;
};
