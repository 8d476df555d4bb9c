#pragma once
// The data-aware controls in one include.
#include "ui/datasource.h"
#include "ui/dbgrid.h"
#include "ui/dbmemo.h"
#include "ui/dbnavigator.h"
