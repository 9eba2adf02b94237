// native user layer: work in progress
