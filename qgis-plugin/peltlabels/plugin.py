"""The plugin object QGIS starts: with a window, or for Processing alone."""

from __future__ import annotations

from . import expression_function, processing_provider


class PeltLabelsPlugin:
    def __init__(self, iface) -> None:
        self.iface = iface
        self.edit_action = None

    def initProcessing(self) -> None:  # noqa: N802 - called by qgis_process and the desktop
        expression_function.register()
        processing_provider.register()

    def initGui(self) -> None:  # noqa: N802
        self.initProcessing()
        from .edit_action import EditLabelExpressionAction

        self.edit_action = EditLabelExpressionAction(self.iface)

    def unload(self) -> None:
        if self.edit_action is not None:
            self.edit_action.remove()
            self.edit_action = None
        processing_provider.unregister()
        expression_function.unregister()
