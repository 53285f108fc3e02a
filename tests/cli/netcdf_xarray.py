"""Opens a run's NetCDF files with xarray: CF time must decode to the instants
of the text files' Julian day stamps, and the standard names must be there.
Usage: netcdf_xarray.py OUTPUT_FOLDER BASE. Exit 0 passed, 1 failed (a
channel of the text files without rows in NetCDF is a failure)."""
import os
import sys

import netCDF4
import numpy as np
import xarray as xr

folder, base = sys.argv[1], sys.argv[2]
failures = []


def text_rows(path):
    with open(path, newline="") as f:
        lines = [l.rstrip("\r\n") for l in f]
    return lines


def julian_days(path):
    """The day-of-year stamps (first column) of a text file's data rows."""
    days = []
    for line in text_rows(path):
        field = line.split("\t")[0].strip()
        try:
            days.append(float(field))
        except ValueError:
            continue
    return np.array(days)


def check_time(ds, days, what, digits):
    times = ds["time"].values
    if not np.issubdtype(times.dtype, np.datetime64):
        failures.append(f"{what}: time not decoded ({times.dtype})")
        return
    ok = ~np.isnat(times)
    if ok.sum() == 0 or len(times) != len(days):
        failures.append(f"{what}: {ok.sum()} times, {len(days)} text rows")
        return
    year = times[ok][0].astype("datetime64[Y]")
    start = year.astype("datetime64[ms]")
    from_text = start + ((days[ok] - 1) * 86400000.0).round().astype("timedelta64[ms]")
    worst = np.abs((times[ok] - from_text) / np.timedelta64(1, "ms")).max()
    # The stamps print the day to `digits` decimals.
    allowed = 0.5 * 10.0 ** -digits * 86400000.0 + 1
    if worst > allowed:
        failures.append(f"{what}: time differs from the text stamps by {worst} ms")


def standard_names(ds):
    return {ds[v].attrs.get("standard_name") for v in ds.variables}


pairs = os.path.join(folder, base + "_pair.nc")
ds = xr.open_dataset(pairs, group="pair01")
check_time(ds, julian_days(os.path.join(folder, base + "_pair_01.000")), "pair01", 6)
for name in ("sea_water_density", "sea_water_sigma_t", "sea_water_practical_salinity"):
    if name not in standard_names(ds):
        failures.append(f"pair01: no {name}")

ds.close()

channels = os.path.join(folder, base + ".nc")
with netCDF4.Dataset(channels) as root:
    groups = list(root.groups)
empty = []
found = set()
for group in groups:
    # Each group read whole and closed before the next is opened: the HDF5
    # library under netCDF4-python does not take the one file open many
    # times at once (it crashes).
    with xr.open_dataset(channels, group=group, cache=False) as opened:
        ds = opened.load()
    if ds.sizes.get("obs", 0) == 0:
        empty.append(group)
        continue
    found |= standard_names(ds)
    text = [f for f in os.listdir(folder) if f.startswith(base + "_" + group[2:4] + "_")]
    if "time" in ds and text and "line" not in ds:
        days = julian_days(os.path.join(folder, text[0]))
        # A file under a copied device-file header (NX9) has numbers above
        # its rows: its rows are its last lines. A file stamped by the meter's
        # own clock in milliseconds (the thermometer bath) has no day stamps.
        days = days[-ds.sizes["obs"]:]
        if len(days) and days.max() < 367:
            check_time(ds, days, group, 8)

if failures:
    print("\n".join(failures))
    sys.exit(1)
# A channel with a text file and no group is as empty as a group without rows.
for name in os.listdir(folder):
    parts = name.rsplit(".", 1)[0].split("_", 2)
    if len(parts) == 3 and parts[0] == base and parts[1].isdigit():
        if "ch" + parts[1] + "_" + parts[2] not in groups:
            empty.append("ch" + parts[1] + "_" + parts[2])
if empty or not groups:
    failures.append("no rows in " + " ".join(empty))
for name in ("sea_water_temperature", "sea_water_pressure", "sea_water_practical_salinity", "latitude",
             "longitude"):
    if name not in found:
        failures.append(f"channels: no {name}")
if failures:
    print("\n".join(failures))
    sys.exit(1)
