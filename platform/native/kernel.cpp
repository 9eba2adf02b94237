// native kernel layer: work in progress
