// NMEA sentences of GPS receivers and echo sounders.
#pragma once
#include <cstdint>
#include <cstdio>

#include "extract/WriterInput.h"

namespace rix {

struct Context;
struct LineRecord;
struct RowValues;

struct GpsSharedState {};

void SetGpsSeparator(Context& ctx, char separator);
void ResetGpsRunState(Context& ctx);
int DecodeGpsLine(Context& ctx, LineRecord& record, RowValues& values);

}  // namespace rix
