// Text labels fixed to a point of the map, in the map's own pane so that they move with it.
//
// A route brings thousands of labels. They are placed together, once per batch of changes and once
// per zoom: the route's first and last labels always, then the others in route order wherever
// they do not cover a label already placed; the rest wait until the map is zoomed in far enough.
// Every label's point stays on the map as a dot. Only the placed labels in and near the view are
// in the page at a time.

function TLabel() {}

// The label's box: a div of the style holding the text in bold on one line. The text is set as
// text, so a caption can never bring markup or script into the page.
function TLabelContent(astyle, text) {
  var div = document.createElement('div');
  div.className = astyle;
  div.textContent = text;
  return div;
}

// Fill and edge of a style's dot: the colours of its label.
var TLabelDotColours = {
  redlabel: ['red', 'darkred'],
  bluelabel: ['deepskyblue', 'navy'],
  greenlabel: ['lime', 'green'],
  yellowlabel: ['yellow', 'darkkhaki'],
  graylabel: ['silver', 'black']
};

TLabel.prototype.initialize = function (map) {
  this.map_ = map;
  var span = document.createElement('span');
  span.id = this.id;
  if (this.content instanceof Node) span.appendChild(this.content);
  else span.textContent = String(this.content);
  span.style.position = 'absolute';
  span.style.whiteSpace = 'nowrap';
  span.style.zIndex = 1;
  this.element_ = span;
  if (this.percentOpacity !== undefined) this.setOpacity(this.percentOpacity);
  if (!this.markerOffset) this.markerOffset = { width: 0, height: 0 };
  this.shiftY_ = 0;
  if (this.anchorPoint === 'center') {
    // Centred on its point by a shift of half its own size, and its size estimated from the text
    // (see placeTLabels_): measuring thousands of labels would lay the page out once per label.
    span.style.transform = 'translate(-50%, -50%)';
    this.w_ = 0;
    this.h_ = 0;
  } else {
    // Measured in the page's body, where nothing around it can narrow it.
    document.body.appendChild(span);
    this.w_ = span.offsetWidth;
    this.h_ = span.offsetHeight;
    document.body.removeChild(span);
  }
  map.tlabelsTrack_(this);
};

// The shift from the anchor's pixel to the box's top left corner.
TLabel.prototype.anchorShift_ = function (w, h) {
  switch (this.anchorPoint) {
    case 'topCenter': return [-Math.floor(w / 2), 0];
    case 'topRight': return [-w, 0];
    case 'midRight': return [-w, -Math.floor(h / 2)];
    case 'bottomRight': return [-w, -h];
    case 'bottomCenter': return [-Math.floor(w / 2), -h];
    case 'bottomLeft': return [0, -h];
    case 'midLeft': return [0, -Math.floor(h / 2)];
    case 'center': return [-w / 2, -h / 2];
    default: return [0, 0];  // 'topLeft' and anything else
  }
};

TLabel.prototype.setPosition = function (latlng) {
  if (latlng) this.anchorLatLng = latlng;
  if (!this.element_.parentNode) return;  // placed when it comes into view
  var p = this.map_.fromLatLngToDivPixel(this.anchorLatLng);
  var x = Math.trunc(p.x), y = Math.trunc(p.y) + this.shiftY_;
  if (this.anchorPoint !== 'center') {  // 'center' is shifted by its transform (see initialize)
    var s = this.anchorShift_(this.w_, this.h_);
    x += s[0];
    y += s[1];
  }
  this.element_.style.left = (x - this.markerOffset.width) + 'px';
  this.element_.style.top = (y - this.markerOffset.height) + 'px';
};

TLabel.prototype.setOpacity = function (p) {
  p = Math.max(0, Math.min(100, Number(p)));
  this.element_.style.opacity = p / 100;
};

// Labels of a map, in the order they were added, with their dots and placement.
GMap2.prototype.tlabelsTrack_ = function (label) {
  var gmap = this;
  if (!this.tlabels_) {
    this.tlabels_ = {};
    this.tlabelList_ = [];
    this.tlabelNewDots_ = [];
    this.tlabelPlacedZoom_ = null;
    this.map_.createPane('tdotPane').style.zIndex = 450;  // over the line, under the labels
    this.tdots_ = L.canvas({ pane: 'tdotPane' });
    this.map_.on('zoomend', function () { gmap.tlabelPlacedZoom_ = null; gmap.showTLabels_(); });
    this.map_.on('moveend', function () { gmap.showTLabels_(); });
  }
  if (this.tlabels_[label.id]) this.removeTLabelById(label.id);
  this.tlabels_[label.id] = label;
  this.tlabelList_.push(label);
  this.tlabelNewDots_.push(label);
  this.tlabelsChanged_();
};

// Changes come in batches of scripts; the labels are placed once after each script.
GMap2.prototype.tlabelsChanged_ = function () {
  this.tlabelPlacedZoom_ = null;
  if (this.tlabelsPending_) return;
  this.tlabelsPending_ = true;
  var gmap = this;
  Promise.resolve().then(function () {
    gmap.tlabelsPending_ = false;
    gmap.showTLabels_();
  });
};

GMap2.prototype.showTLabels_ = function () {
  if (!this.tlabels_ || !this.map_._loaded) return;
  var m = this.map_;
  if (this.tlabelNewDots_.length) {
    var dots = [];
    for (var i = 0; i < this.tlabelNewDots_.length; i++) {
      var l = this.tlabelNewDots_[i];
      if (l.removed_) continue;
      var style = l.content instanceof Node ? String(l.content.className).toLowerCase() : '';
      var c = TLabelDotColours[style] || TLabelDotColours.graylabel;
      l.dot_ = L.circleMarker(l.anchorLatLng.latLng_, {
        renderer: this.tdots_, radius: 3, weight: 1, color: c[1], fillColor: c[0], fillOpacity: 1,
        interactive: false
      });
      dots.push(l.dot_);
    }
    this.tlabelNewDots_ = [];
    if (!this.tdotLayer_) this.tdotLayer_ = L.featureGroup().addTo(m);
    for (var d = 0; d < dots.length; d++) this.tdotLayer_.addLayer(dots[d]);
  }
  if (this.tlabelPlacedZoom_ !== m.getZoom()) this.placeTLabels_();

  // Placed labels within half a view of the window are in the page.
  var size = m.getSize();
  var view = L.bounds(m.containerPointToLayerPoint([-size.x / 2, -size.y / 2]),
                      m.containerPointToLayerPoint([size.x * 1.5, size.y * 1.5]));
  var pane = this.getPane(G_MAP_MAP_PANE);
  var list = this.tlabelList_;
  for (var k = 0; k < list.length; k++) {
    var label = list[k], e = label.element_;
    var wanted = label.placed_ && view.contains(m.latLngToLayerPoint(label.anchorLatLng.latLng_));
    if (wanted) {
      if (e.parentNode !== pane) pane.appendChild(e);
      label.setPosition();
    } else if (e.parentNode) {
      e.parentNode.removeChild(e);
    }
  }
};

// The size a label's box takes, from its text: the label font's width of the text and what a
// sample label adds around it.
GMap2.prototype.tlabelSize_ = function (label) {
  if (label.anchorPoint !== 'center') return [label.w_, label.h_];
  if (!this.tlabelMeasure_) {
    var sample = TLabelContent('redlabel', 'M');
    var holder = document.createElement('span');
    holder.style.position = 'absolute';
    holder.style.whiteSpace = 'nowrap';
    holder.appendChild(sample);
    this.getPane(G_MAP_MAP_PANE).appendChild(holder);
    var cs = getComputedStyle(sample);
    var ctx = document.createElement('canvas').getContext('2d');
    ctx.font = [cs.fontStyle, cs.fontWeight, cs.fontSize, cs.fontFamily].join(' ');
    var rect = sample.getBoundingClientRect();
    this.tlabelMeasure_ = {
      ctx: ctx, extra: rect.width - ctx.measureText('M').width, height: Math.ceil(rect.height), widths: {}
    };
    holder.parentNode.removeChild(holder);
  }
  var t = this.tlabelMeasure_, text = label.element_.textContent;
  var w = t.widths[text];
  if (w === undefined) w = t.widths[text] = Math.ceil(t.ctx.measureText(text).width + t.extra) + 1;
  return [w, t.height];
};

// Decides which labels show at this zoom: a label shows when its box, two pixels wider on every
// side (pixel rounding), covers no label placed before it. The first and last always show; when they would cover
// each other the last moves below the first.
GMap2.prototype.placeTLabels_ = function () {
  var m = this.map_, zoom = m.getZoom();
  this.tlabelList_ = this.tlabelList_.filter(function (l) { return !l.removed_; });
  var list = this.tlabelList_, n = list.length;
  var cell = 64, grid = {}, gmap = this;
  var box = function (label) {
    var p = m.project(label.anchorLatLng.latLng_, zoom), size = gmap.tlabelSize_(label);
    var s = label.anchorShift_(size[0], size[1]);
    var x = p.x + s[0] - label.markerOffset.width, y = p.y + s[1] - label.markerOffset.height;
    return [x - 2, y - 2, x + size[0] + 2, y + size[1] + 2];
  };
  var cells = function (b, visit) {
    for (var cx = Math.floor(b[0] / cell); cx <= Math.floor(b[2] / cell); cx++)
      for (var cy = Math.floor(b[1] / cell); cy <= Math.floor(b[3] / cell); cy++)
        if (visit(cx + ',' + cy) === false) return false;
    return true;
  };
  var free = function (b) {
    return cells(b, function (key) {
      var there = grid[key];
      if (!there) return true;
      for (var i = 0; i < there.length; i++) {
        var o = there[i];
        if (b[0] < o[2] && o[0] < b[2] && b[1] < o[3] && o[1] < b[3]) return false;
      }
      return true;
    });
  };
  var take = function (b) {
    cells(b, function (key) { (grid[key] || (grid[key] = [])).push(b); });
  };
  for (var i = 0; i < n; i++) {
    list[i].placed_ = false;
    list[i].shiftY_ = 0;
  }
  if (n > 0) {
    var first = box(list[0]);
    take(first);
    list[0].placed_ = true;
    if (n > 1) {
      var last = box(list[n - 1]);
      if (!free(last)) {
        list[n - 1].shiftY_ = Math.ceil(first[3] - last[1]);
        last = [last[0], last[1] + list[n - 1].shiftY_, last[2], last[3] + list[n - 1].shiftY_];
      }
      take(last);
      list[n - 1].placed_ = true;
    }
  }
  for (var j = 1; j < n - 1; j++) {
    var b = box(list[j]);
    if (free(b)) {
      take(b);
      list[j].placed_ = true;
    }
  }
  this.tlabelPlacedZoom_ = zoom;
};

GMap2.prototype.addTLabel = function (label) {
  label.initialize(this);
};

GMap2.prototype.removeTLabelById = function (id) {
  var label = this.tlabels_ ? this.tlabels_[id] : undefined;
  var element = label ? label.element_ : document.getElementById(id);
  var pane = this.getPane(G_MAP_MAP_PANE);
  if (element && element.parentNode === pane) pane.removeChild(element);
  if (!label) return;
  delete this.tlabels_[id];
  label.removed_ = true;
  if (label.dot_) this.tdotLayer_.removeLayer(label.dot_);
  this.tlabelsChanged_();
};

GMap2.prototype.removeTLabel = function (label) {
  this.removeTLabelById(label.id);
};

GMap2.prototype.changePosition = function (id, latlng) {
  var label = this.tlabels_ ? this.tlabels_[id] : undefined;
  if (!label) return;
  label.setPosition(latlng);
  if (label.dot_) label.dot_.setLatLng(label.anchorLatLng.latLng_);
  this.tlabelsChanged_();
};
