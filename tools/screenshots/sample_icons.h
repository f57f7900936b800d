#pragma once
// A few icons drawn in code for the icon editor's picture: simple shapes at the sizes of the
// device, device selection and key cells, as PNG files.

#include <QByteArray>

namespace vanto::gui {

enum class SampleIcon {
    kTelevision,        // device, 120 x 80
    kTelevisionChosen,  // device selection, 60 x 60
    kSpeaker,           // device, 120 x 80
    kSpeakerChosen,     // device selection, 60 x 60
    kPowerKey,          // key, 120 x 60
    kPlayKey,           // key, 120 x 60
    kVolumeKey,         // key, 120 x 60
};

QByteArray SampleIconPng(SampleIcon icon);

}  // namespace vanto::gui
