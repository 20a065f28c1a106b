"""Whether "Label features" reads a plain file and writes one.

Then the library does all the work (GDAL reads, labels and writes without
Python per feature); any other input or output goes through QGIS.
"""

from __future__ import annotations

import os
from typing import Any, Dict, Optional, Tuple, Union

from qgis.core import (
    QgsProcessingAlgorithm,
    QgsProcessingContext,
    QgsProcessingFeatureSourceDefinition,
    QgsProcessingOutputLayerDefinition,
    QgsProcessingUtils,
    QgsProviderRegistry,
    QgsVectorLayer,
)

# Formats the library writes as QGIS would (UTF-8 text, every field name
# kept), by the extension QGIS chooses them by.
_COPY_DRIVERS = {".gpkg": "GPKG", ".geojson": "GeoJSON", ".fgb": "FlatGeobuf"}
# What a QGIS data source may say beyond the file and the layer.
_PLAIN_URI_KEYS = {"path", "layerName", "layerId"}


def input_layer(algorithm: QgsProcessingAlgorithm, parameters: Dict[str, Any], name: str,
                context: QgsProcessingContext) -> Optional[QgsVectorLayer]:
    """The vector layer an input names, also when given with a selection or a limit."""
    given = parameters.get(name)
    if isinstance(given, QgsProcessingFeatureSourceDefinition):
        value = given.source.valueAsString(context.expressionContext())
        text = value[0] if isinstance(value, tuple) else value
        layer = QgsProcessingUtils.mapLayerFromString(text, context) if text else None
        return layer if isinstance(layer, QgsVectorLayer) else None
    return algorithm.parameterAsVectorLayer(parameters, name, context)


def file_source(algorithm: QgsProcessingAlgorithm, parameters: Dict[str, Any], name: str,
                context: QgsProcessingContext
                ) -> Optional[Tuple[str, Union[int, str, None]]]:
    """(file, layer name) of an input that is a whole layer of a file GDAL reads, else None.

    A selection, a feature limit, a subset or a layer that is not a GDAL
    file is read through QGIS.
    """
    given = parameters.get(name)
    if isinstance(given, QgsProcessingFeatureSourceDefinition) and (
            given.selectedFeaturesOnly or given.featureLimit != -1 or int(given.flags) != 0):
        return None
    layer = input_layer(algorithm, parameters, name, context)
    if layer is None or layer.providerType() != "ogr" or layer.subsetString():
        return None
    parts = QgsProviderRegistry.instance().decodeUri("ogr", layer.source())
    path = parts.get("path") or ""
    given_keys = {key for key, value in parts.items() if value not in (None, "", [], {})}
    if not os.path.isfile(path) or given_keys - _PLAIN_URI_KEYS:
        return None
    layer_name = parts.get("layerName")
    if isinstance(layer_name, str) and layer_name:
        return path, layer_name
    index = parts.get("layerId")
    return path, index if isinstance(index, int) else None


def file_destination(algorithm: QgsProcessingAlgorithm, parameters: Dict[str, Any], name: str,
                     context: QgsProcessingContext) -> Optional[Tuple[str, str]]:
    """(file, GDAL driver) of an output the library writes as QGIS would, else None."""
    given = parameters.get(name)
    if isinstance(given, QgsProcessingOutputLayerDefinition) and given.createOptions:
        return None  # an encoding or options the library would not apply
    destination = algorithm.parameterAsOutputLayer(parameters, name, context)
    if not destination or destination.startswith("memory:") or not os.path.isabs(destination):
        return None
    driver = _COPY_DRIVERS.get(os.path.splitext(destination)[1].lower())
    return (destination, driver) if driver else None
