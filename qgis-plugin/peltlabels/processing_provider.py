"""The Processing provider "Pelt Labels" (id peltlabels)."""

from __future__ import annotations

from qgis.core import QgsApplication, QgsProcessingProvider

from .label_algorithm import LabelFeaturesAlgorithm


class PeltLabelsProvider(QgsProcessingProvider):
    def loadAlgorithms(self) -> None:  # noqa: N802
        self.addAlgorithm(LabelFeaturesAlgorithm())

    def id(self) -> str:
        return "peltlabels"

    def name(self) -> str:
        return "Pelt Labels"

    def longName(self) -> str:  # noqa: N802
        return "Pelt Labels: label expressions"


_provider = None


def register() -> None:
    """Adds the provider to QGIS's Processing registry, once."""
    global _provider
    if _provider is None:
        _provider = PeltLabelsProvider()
        QgsApplication.processingRegistry().addProvider(_provider)


def unregister() -> None:
    global _provider
    if _provider is not None:
        QgsApplication.processingRegistry().removeProvider(_provider)
        _provider = None
