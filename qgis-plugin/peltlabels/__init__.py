"""peltlabels: label expressions of the PeltExpressions language in QGIS."""


def classFactory(iface):  # noqa: N802 - the name QGIS calls
    from .plugin import PeltLabelsPlugin

    return PeltLabelsPlugin(iface)
