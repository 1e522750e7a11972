#!/usr/bin/python3
"""Writes the tiny ONNX models the upscaler tests load (a few hundred bytes each).

Each takes "input", float32 1x3x512x512, and, except the last, returns 1x3x2048x2048:
  nearest4x.onnx     nearest-neighbour 4x: proves tile placement and coverage
  red_only4x.onnx    keeps the first (red) channel, zeroes the others: catches RGB/BGR swaps
  edge_marker4x.onnx 3x3 box blur with zero padding, then nearest 4x: darkens each tile's
                     outermost pixels, so the painted result shows which tile came last
  half_size.onnx     nearest 2x (1024x1024): a model the upscaler must refuse

Needs Debian's python3-onnx and python3-numpy. Usage:
    scripts/make-upscale-test-models.py tests/engine/upscale/models
"""

import os
import sys

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

TILE = 512


def upsample(source, factor, name):
    scales = numpy_helper.from_array(np.array([1, 1, factor, factor], dtype=np.float32), name + "_scales")
    node = helper.make_node("Resize", [source, "", scales.name], [name], mode="nearest",
                            coordinate_transformation_mode="asymmetric", nearest_mode="floor")
    return node, [scales]


def conv(source, weights, name):
    # OpenCV's importer needs kernel_shape spelled out.
    tensor = numpy_helper.from_array(weights.astype(np.float32), name + "_W")
    height, width = weights.shape[2], weights.shape[3]
    node = helper.make_node("Conv", [source, tensor.name], [name], kernel_shape=[height, width],
                            pads=[height // 2, width // 2, height // 2, width // 2])
    return node, [tensor]


def model(name, nodes, initializers, factor):
    nodes[-1].output[0] = "output"
    graph = helper.make_graph(
        nodes, name,
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, TILE, TILE])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 3, TILE * factor, TILE * factor])],
        initializers)
    result = helper.make_model(graph, producer_name="tidelumine test models",
                               opset_imports=[helper.make_opsetid("", 13)])
    onnx.checker.check_model(result)
    return result


def nearest(factor):
    node, tensors = upsample("input", factor, "up")
    return model(f"nearest{factor}x", [node], tensors, factor)


def red_only():
    keep = np.zeros((3, 3, 1, 1))
    keep[0, 0, 0, 0] = 1.0
    mix, mix_tensors = conv("input", keep, "mix")
    up, up_tensors = upsample("mix", 4, "up")
    return model("red_only4x", [mix, up], mix_tensors + up_tensors, 4)


def edge_marker():
    box = np.zeros((3, 3, 3, 3))
    for channel in range(3):
        box[channel, channel] = 1.0 / 9.0
    blur, blur_tensors = conv("input", box, "blur")
    up, up_tensors = upsample("blur", 4, "up")
    return model("edge_marker4x", [blur, up], blur_tensors + up_tensors, 4)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "tests/engine/upscale/models"
    os.makedirs(folder, exist_ok=True)
    for file_name, built in (("nearest4x.onnx", nearest(4)), ("red_only4x.onnx", red_only()),
                             ("edge_marker4x.onnx", edge_marker()), ("half_size.onnx", nearest(2))):
        onnx.save(built, os.path.join(folder, file_name))


if __name__ == "__main__":
    main()
