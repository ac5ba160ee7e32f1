#pragma once
// Port conflicts: a TCP port on which two or more servers of one scan listen, each server counted
// once per port whatever its project; native servers and containers count alike. The status icon,
// the panel and the widget's header all use this one notion.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "Shared/DevProject.h"

// The ports on which two or more of the projects' servers listen, ascending.
std::set<int> conflictingPorts(const std::vector<DevProject>& projects);

// For each port of conflictingPorts, the names of the projects listening there, in the projects'
// order, each name once.
std::map<int, std::vector<std::string>> conflictingProjectNames(const std::vector<DevProject>& projects);
