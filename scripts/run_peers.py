#!/usr/bin/python3
"""zev-filter side by side with the CPU tools people would use for the same jobs.

Every run is a whole process, as a user would start it: read the PNG, filter,
write the PNG. The tools take turns within each round, so that a change in the
machine's load falls on all of them alike; the table gives each peer's median
wall time divided by zev-filter's (above 1: zev-filter is faster).

Run through scripts/run-peers.sh, which installs the peers first.
"""

import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time
import warnings

SIGMA = 2.0
SEPIA = (0.393, 0.769, 0.189, 0.349, 0.686, 0.168, 0.272, 0.534, 0.131)
JOBS = ("blur", "unsharp+sepia", "blur+sobel")


# The peers' own work, run in a fresh interpreter so that imports count.
def pillow_job(job, source, target):
    from PIL import Image, ImageFilter

    image = Image.open(source).convert("RGB")
    if job == "blur":
        image = image.filter(ImageFilter.GaussianBlur(SIGMA))
    elif job == "unsharp+sepia":
        image = image.filter(ImageFilter.UnsharpMask(radius=SIGMA, percent=100, threshold=0))
        matrix = SEPIA[0:3] + (0,) + SEPIA[3:6] + (0,) + SEPIA[6:9] + (0,)
        image = image.convert("RGB", matrix)
    else:
        raise SystemExit("Pillow has no Sobel filter")
    image.save(target)


def scipy_job(job, source, target):
    import numpy
    from PIL import Image
    from scipy import ndimage

    pixels = numpy.asarray(Image.open(source).convert("RGB"), dtype=numpy.float32) / 255.0
    blurred = ndimage.gaussian_filter(pixels, sigma=(SIGMA, SIGMA, 0), truncate=3.0)
    if job == "blur":
        result = blurred
    elif job == "unsharp+sepia":
        sharpened = numpy.clip(2.0 * pixels - blurred, 0.0, 1.0)
        result = sharpened @ numpy.array(SEPIA, dtype=numpy.float32).reshape(3, 3).T
    else:
        luma = blurred @ numpy.array((0.299, 0.587, 0.114), dtype=numpy.float32)
        magnitude = numpy.hypot(ndimage.sobel(luma, axis=1), ndimage.sobel(luma, axis=0))
        result = numpy.repeat(magnitude[:, :, None], 3, axis=2)
    result = (numpy.clip(result, 0.0, 1.0) * 255.0 + 0.5).astype(numpy.uint8)
    Image.fromarray(result).save(target)


def commands(job, source, target, zev_filter):
    here = os.path.abspath(__file__)
    zev_filters = {"blur": "blur", "unsharp+sepia": "unsharp,sepia", "blur+sobel": "blur,sobel"}
    magick = {
        "blur": ["-blur", f"0x{SIGMA}"],
        "unsharp+sepia": ["-unsharp", f"0x{SIGMA}+1+0", "-color-matrix", " ".join(map(str, SEPIA))],
        # The largest of the four Sobel directions stands in for the magnitude.
        "blur+sobel": ["-blur", f"0x{SIGMA}", "-colorspace", "Gray", "-define",
                       "morphology:compose=Lighten", "-morphology", "Convolve", "Sobel:>"],
    }
    tools = {
        "zev-filter": [zev_filter, "--input", source, "--output", target, "--vignette", "0",
                       "--sigma", str(SIGMA), "--filter", zev_filters[job]],
        "Pillow": [sys.executable, here, "--peer", "pillow", job, source, target],
        "numpy + scipy.ndimage": [sys.executable, here, "--peer", "scipy", job, source, target],
        "ImageMagick": ["convert", source] + magick[job] + [target],
    }
    if job == "blur+sobel":
        del tools["Pillow"]
    return tools


def timed(command, env):
    start = time.perf_counter()
    subprocess.run(command, check=True, env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def make_images(folder, zev_filter, env):
    import numpy
    import scipy.misc
    from PIL import Image

    # A blur with sigma 0.1 has weights 1 and 2e-22: zev-filter writes its
    # built-in picture unchanged.
    built_in = os.path.join(folder, "built-in.png")
    subprocess.run([zev_filter, "--output", built_in, "--vignette", "0", "--filter", "blur",
                    "--sigma", "0.1"], check=True, env=env, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    photo = os.path.join(folder, "photo.png")
    with warnings.catch_warnings():  # deprecated, but the only copy that needs no download
        warnings.simplefilter("ignore", DeprecationWarning)
        face = numpy.asarray(scipy.misc.face())
    Image.fromarray(face).resize((1920, 1080), Image.LANCZOS).save(photo)
    return {"built-in image": built_in, "photograph (raccoon face, 1920 x 1080)": photo}


def report(zev_filter, rounds):
    folder = tempfile.mkdtemp(prefix="zev-peers-")
    env = dict(os.environ, MESA_SHADER_CACHE_DIR=os.path.join(folder, "shader-cache"))
    cold_env = dict(os.environ, MESA_SHADER_CACHE_DISABLE="true")
    for name, source in make_images(folder, zev_filter, env).items():
        print(f"\n## {name}, median of {rounds} interleaved rounds\n")
        medians = {}
        for job in JOBS:
            target = os.path.join(folder, "out.png")
            tools = commands(job, source, target, zev_filter)
            timed(tools["zev-filter"], env)  # fills Mesa's shader cache, as any earlier run would
            times = {tool: [] for tool in tools}
            times["zev-filter, shader cache off"] = []
            for _ in range(rounds):
                for tool, command in tools.items():
                    times[tool].append(timed(command, env))
                times["zev-filter, shader cache off"].append(timed(tools["zev-filter"], cold_env))
            medians[job] = {tool: statistics.median(values) for tool, values in times.items()}
        peers = ["Pillow", "numpy + scipy.ndimage", "ImageMagick", "zev-filter, shader cache off"]
        print("| peer ÷ zev-filter (wall time) | " + " | ".join(JOBS) + " |")
        print("|---|" + "---|" * len(JOBS))
        for peer in peers:
            cells = []
            for job in JOBS:
                peer_time = medians[job].get(peer)
                cells.append("–" if peer_time is None
                             else f"{peer_time / medians[job]['zev-filter']:.2f}")
            print(f"| {peer} | " + " | ".join(cells) + " |")
        print("| zev-filter itself, ms | " +
              " | ".join(f"{medians[job]['zev-filter'] * 1000:.0f}" for job in JOBS) + " |")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--peer", nargs=4, metavar=("TOOL", "JOB", "IN", "OUT"),
                        help=argparse.SUPPRESS)
    parser.add_argument("--zev-filter", default="build/examples/zev-filter")
    parser.add_argument("--rounds", type=int, default=7)
    arguments = parser.parse_args()
    if arguments.peer:
        tool, job, source, target = arguments.peer
        {"pillow": pillow_job, "scipy": scipy_job}[tool](job, source, target)
        return
    report(os.path.abspath(arguments.zev_filter), arguments.rounds)


if __name__ == "__main__":
    main()
