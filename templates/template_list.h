#pragma once

// The editor keeps the templates of the module shown in a TemplateList.
#include "core/device_template.h"
