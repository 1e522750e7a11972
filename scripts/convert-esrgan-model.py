#!/usr/bin/python3
"""Converts a 4x super-resolution network published on npm as TensorFlow.js Keras
layer weights (the @upscalerjs/esrgan-* packages) into the ONNX model the upscaler loads.

The result honours the upscaler's model contract: one input "input", float32 NCHW
1x3x512x512, RGB in [0, 1]; one output, 1x3x2048x2048, RGB in [0, 1]. A network trained
on 0...255 values gets that range folded into its first and last convolutions.

Needs Debian's python3-onnx and python3-numpy. Usage:

    npm pack @upscalerjs/esrgan-slim@1.0.0
    scripts/convert-esrgan-model.py upscalerjs-esrgan-slim-1.0.0.tgz models/realesrgan512.onnx
"""

import argparse
import json
import tarfile

import numpy as np
import onnx
from onnx import TensorProto, helper, numpy_helper

TILE = 512
SCALE = 4
OPSET = 13


class Package:
    """Reads the 4x model of an npm tarball without unpacking it."""

    def __init__(self, tarball):
        self.archive = tarfile.open(tarball)
        self.root = "package/models/x4/"
        self.topology = json.loads(self._read("model.json"))
        self.metadata = json.loads(self._read("../../package.json"))

    def _read(self, name):
        path = self.root + name
        while "/../" in path:
            head, _, tail = path.partition("/../")
            path = head.rsplit("/", 1)[0] + "/" + tail
        return self.archive.extractfile(path).read()

    def layers(self):
        return self.topology["modelTopology"]["model_config"]["config"]["layers"]

    def weights(self):
        tensors = {}
        for group in self.topology["weightsManifest"]:
            data = b"".join(self._read(path) for path in group["paths"])
            offset = 0
            for entry in group["weights"]:
                if entry["dtype"] != "float32" or "quantization" in entry:
                    raise SystemExit("unsupported weight encoding in " + entry["name"])
                count = int(np.prod(entry["shape"])) if entry["shape"] else 1
                values = np.frombuffer(data, dtype="<f4", count=count, offset=offset)
                tensors[entry["name"]] = values.reshape(entry["shape"]).astype(np.float32)
                offset += count * 4
        return tensors


def trained_value_range(layers):
    # The residual-in-residual networks were trained on 0...1, the plain residual dense
    # ones on 0...255; the custom layers tell the two apart.
    custom = {layer["class_name"] for layer in layers}
    return 1.0 if "MultiplyBeta" in custom else 255.0


class GraphBuilder:
    def __init__(self):
        self.nodes = []
        self.initializers = []

    def constant(self, name, array):
        self.initializers.append(numpy_helper.from_array(np.asarray(array, dtype=np.float32), name))
        return name

    def node(self, op, inputs, name, **attributes):
        self.nodes.append(helper.make_node(op, inputs, [name], name=name, **attributes))
        return name

    def conv(self, source, name, kernel, bias, padding):
        # Keras keeps kernels as (height, width, in, out); ONNX wants (out, in, height, width).
        weights = np.transpose(kernel, (3, 2, 0, 1))
        height, width = weights.shape[2], weights.shape[3]
        pads = [height // 2, width // 2, height // 2, width // 2] if padding == "same" else [0, 0, 0, 0]
        return self.node(
            "Conv",
            [source, self.constant(name + "/W", weights), self.constant(name + "/B", bias)],
            name,
            kernel_shape=[height, width],
            pads=pads,
            strides=[1, 1],
        )


def convert(package, value_range):
    layers = package.layers()
    weights = package.weights()
    builder = GraphBuilder()
    first_conv = None
    outputs = {}

    def inputs_of(layer):
        return [outputs[inbound[0]] for inbound in layer["inbound_nodes"][0]]

    for layer in layers:
        kind, config, name = layer["class_name"], layer["config"], layer["config"]["name"]
        if kind == "InputLayer":
            outputs[name] = "input"
            continue
        sources = inputs_of(layer)
        if kind == "Conv2D":
            if config["strides"] != [1, 1] or config["dilation_rate"] != [1, 1]:
                raise SystemExit("unsupported convolution " + name)
            kernel = weights[name + "/kernel"]
            bias = weights[name + "/bias"]
            if first_conv is None:
                # Inputs arrive as 0...1: scaling the first kernel is exact.
                first_conv = name
                kernel = kernel * value_range
            result = builder.conv(sources[0], name, kernel, bias, config["padding"])
            if config["activation"] == "relu":
                result = builder.node("Relu", [result], name + "/relu")
            elif config["activation"] != "linear":
                raise SystemExit("unsupported activation " + config["activation"])
        elif kind == "Activation":
            if config["activation"] != "relu":
                raise SystemExit("unsupported activation " + config["activation"])
            result = builder.node("Relu", sources, name)
        elif kind == "Concatenate":
            axis = config.get("axis", -1)
            if axis not in (-1, 3):
                raise SystemExit("unsupported concatenation axis in " + name)
            result = builder.node("Concat", sources, name, axis=1)
        elif kind == "Add":
            result = sources[0]
            for index, other in enumerate(sources[1:]):
                result = builder.node("Add", [result, other], f"{name}/{index}")
        elif kind == "MultiplyBeta":
            result = builder.node("Mul", [sources[0], builder.constant(name + "/beta", np.float32(0.2))], name)
        elif kind == "UpSampling2D":
            if config["size"] != [SCALE, SCALE] or config.get("interpolation", "nearest") != "nearest":
                raise SystemExit("unsupported upsampling in " + name)
            scales = builder.constant(name + "/scales", [1.0, 1.0, SCALE, SCALE])
            result = builder.node(
                "Resize", [sources[0], "", scales], name, mode="nearest",
                coordinate_transformation_mode="asymmetric", nearest_mode="floor")
        elif kind.startswith("PixelShuffle"):
            # TensorFlow's depth-to-space orders channels like ONNX's DCR mode.
            result = builder.node("DepthToSpace", sources, name, blocksize=SCALE, mode="DCR")
        else:
            raise SystemExit("unsupported layer " + kind)
        outputs[name] = result

    model_output = package.topology["modelTopology"]["model_config"]["config"]["output_layers"][0][0]
    last = builder.nodes[-1]
    if last.output[0] != outputs[model_output] or last.op_type != "Conv":
        raise SystemExit("the network must end in a convolution")
    # Fold the output range into the final convolution.
    for tensor in builder.initializers:
        if tensor.name in (last.input[1], last.input[2]):
            tensor.CopyFrom(numpy_helper.from_array(numpy_helper.to_array(tensor) / value_range, tensor.name))
    last.output[0] = "output"

    graph = helper.make_graph(
        builder.nodes,
        f"{package.metadata['name']}@{package.metadata['version']} x4",
        [helper.make_tensor_value_info("input", TensorProto.FLOAT, [1, 3, TILE, TILE])],
        [helper.make_tensor_value_info("output", TensorProto.FLOAT, [1, 3, TILE * SCALE, TILE * SCALE])],
        builder.initializers,
    )
    model = helper.make_model(graph, producer_name="tidelumine convert-esrgan-model",
                              opset_imports=[helper.make_opsetid("", OPSET)])
    model.doc_string = (f"{package.metadata['name']} {package.metadata['version']}, "
                        f"licence {package.metadata['license']}, converted from TensorFlow.js layer weights")
    onnx.checker.check_model(model)
    return model


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("tarball", help="the npm package tarball (npm pack)")
    parser.add_argument("output", help="the ONNX file to write")
    arguments = parser.parse_args()
    package = Package(arguments.tarball)
    value_range = trained_value_range(package.layers())
    onnx.save(convert(package, value_range), arguments.output)
    print(f"{package.metadata['name']}@{package.metadata['version']} -> {arguments.output} "
          f"(trained range 0...{value_range:g})")


if __name__ == "__main__":
    main()
