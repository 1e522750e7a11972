#!/usr/bin/env python3
"""Draws the sample project: one seaside scene at six times of day, with the sun
position of each frame, written as a Tidelumine project package.

It needs only Python 3 with NumPy (Debian's python3-numpy):

    python3 scripts/make-sample-project.py samples/Seaside.vorrind
"""

import json
import math
import os
import struct
import sys
import uuid
import zlib

import numpy as np

# Wide enough that the default export (8K canvas) plans no upscaling pass, so the sample exports
# in seconds; the scene's features are drawn in units of SCALE pixels.
WIDTH, HEIGHT = 4480, 2520
SCALE = WIDTH // 640
HORIZON = 0.62  # fraction of the height where the sea meets the sky
LATITUDE = 40.0  # the reference place of the program's hour lookup
DAY_OF_YEAR = 80  # 20 March

# Hour of the day (UTC at longitude 0) of each frame.
HOURS = [5.5, 7.0, 10.0, 12.0, 16.5, 18.4, 21.5]


def sun_position(hour):
    """Altitude and azimuth (degrees, azimuth clockwise from north) of the sun."""
    gamma = 2 * math.pi / 365 * (DAY_OF_YEAR - 1 + (hour - 12) / 24)
    declination = (0.006918 - 0.399912 * math.cos(gamma) + 0.070257 * math.sin(gamma)
                   - 0.006758 * math.cos(2 * gamma) + 0.000907 * math.sin(2 * gamma)
                   - 0.002697 * math.cos(3 * gamma) + 0.00148 * math.sin(3 * gamma))
    equation_of_time = 229.18 * (0.000075 + 0.001868 * math.cos(gamma) - 0.032077 * math.sin(gamma)
                                 - 0.014615 * math.cos(2 * gamma) - 0.040849 * math.sin(2 * gamma))
    solar_minutes = hour * 60 + equation_of_time
    hour_angle = math.radians(solar_minutes / 4 - 180)
    latitude = math.radians(LATITUDE)
    cos_zenith = (math.sin(latitude) * math.sin(declination)
                  + math.cos(latitude) * math.cos(declination) * math.cos(hour_angle))
    zenith = math.acos(max(-1.0, min(1.0, cos_zenith)))
    azimuth = math.degrees(math.atan2(math.sin(hour_angle),
                                      math.cos(hour_angle) * math.sin(latitude)
                                      - math.tan(declination) * math.cos(latitude))) + 180
    return round(90 - math.degrees(zenith), 2), round(azimuth % 360, 2)


def mix(a, b, t):
    t = max(0.0, min(1.0, t))
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def sky_colours(altitude):
    """Zenith and horizon colours for a sun at this altitude."""
    night = ((8, 12, 32), (22, 30, 60))
    twilight = ((40, 50, 110), (235, 120, 70))
    day = ((70, 130, 215), (190, 220, 245))
    if altitude < -6:
        return night
    if altitude < 4:
        t = (altitude + 6) / 10
        return mix(night[0], twilight[0], t), mix(night[1], twilight[1], t)
    t = (altitude - 4) / 26
    return mix(twilight[0], day[0], t), mix(twilight[1], day[1], t)


def hills_height(x):
    """Height of the far hills above the horizon, in pixels, at columns x."""
    u = x / WIDTH
    return SCALE * (34 + 22 * np.sin(u * 5.1 + 0.7) + 12 * np.sin(u * 13.3 + 2.1)) * (0.6 + 0.4 * np.sin(u * 2.2))


def blend(a, b, t):
    """Per-pixel mix of colour arrays (or colour tuples) a and b by the weights t."""
    t = np.clip(t, 0.0, 1.0)[..., None]
    return np.asarray(a, dtype=np.float64) * (1 - t) + np.asarray(b, dtype=np.float64) * t


def render(altitude, azimuth):
    zenith, horizon = sky_colours(altitude)
    horizon_y = int(HEIGHT * HORIZON)
    daylight = max(0.08, min(1.0, (altitude + 8) / 30))
    # The view faces south; east is on the left.
    sun_x = WIDTH * (0.5 + (azimuth - 180) / 200)
    sun_y = horizon_y - (altitude / 60) * horizon_y
    sun_colour = mix((255, 140, 60), (255, 250, 225), (altitude + 2) / 20)
    y, x = np.mgrid[0:HEIGHT, 0:WIDTH].astype(np.float64)
    hills = horizon_y - hills_height(x)

    sky = blend(zenith, horizon, (y / horizon_y) ** 1.6)
    distance = np.hypot(x - sun_x, y - sun_y)
    if altitude > -4:
        sky = blend(sky, sun_colour, np.exp(-distance / (70 * SCALE)) * 0.8)
        sky[distance < 16 * SCALE] = sun_colour
    else:
        stars = ((x.astype(np.int64) * 73856093) ^ (y.astype(np.int64) * 19349663)) % (1201 * SCALE * SCALE) == 0
        sky[stars] = (230, 230, 210)

    shade = 0.35 + 0.25 * (y - hills) / np.maximum(1.0, horizon_y - hills)
    land = blend((20, 30, 28), (60, 95, 70), shade * daylight)

    depth = np.clip((y - horizon_y) / (HEIGHT - horizon_y), 0.0, 1.0)
    sea = blend(horizon, (10, 40, 70), depth * 0.8) * (0.45 + 0.4 * daylight)
    if altitude > -4:
        sparkle = 0.5 * (1 - depth) * (0.5 + 0.5 * np.sin((y * 1.7 + x * 0.3) / SCALE))
        sparkle[np.abs(x - sun_x) >= (10 + 60 * depth) * SCALE] = 0
        sea = blend(sea, sun_colour, sparkle)

    image = np.where((y < hills)[..., None], sky, np.where((y < horizon_y)[..., None], land, sea))
    pixels = np.clip(np.round(image), 0, 255).astype(np.uint8)
    # Each row starts with PNG filter type 0 (none).
    rows = np.concatenate([np.zeros((HEIGHT, 1), np.uint8), pixels.reshape(HEIGHT, WIDTH * 3)], axis=1)
    return rows.tobytes()


def png(raw):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    package = sys.argv[1]
    os.makedirs(os.path.join(package, "images"), exist_ok=True)
    # Fixed identifiers, so running the script again gives the same package.
    names = uuid.UUID("6f1d3c2a-5b7e-4c1a-9d2f-0a6b8e4c7d10")
    images = []
    for hour in HOURS:
        altitude, azimuth = sun_position(hour)
        file_name = "seaside-%02d%02d.png" % (int(hour), round(hour % 1 * 60))
        with open(os.path.join(package, "images", file_name), "wb") as out:
            out.write(png(render(altitude, azimuth)))
        images.append({
            "altitude": altitude,
            "azimuth": azimuth,
            "fileName": file_name,
            "id": str(uuid.uuid5(names, file_name)).upper(),
            "isTween": False,
        })
        print("%s  altitude %6.2f  azimuth %6.2f" % (file_name, altitude, azimuth))
    record = {"images": images, "mode": "time", "version": "1.0"}
    with open(os.path.join(package, "project.json"), "w", encoding="utf-8") as out:
        json.dump(record, out, indent=2, sort_keys=True, separators=(",", " : "))
        out.write("\n")


if __name__ == "__main__":
    main()
