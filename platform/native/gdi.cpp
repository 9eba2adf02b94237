// native gdi layer: work in progress
