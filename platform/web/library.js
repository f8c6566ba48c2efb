// The browser backend's calls into JavaScript (an emscripten library, linked with
// --js-library). The page hands the module an object `page` with what belongs to
// the page: the start-up answer, the canvas's drawing size, and the functions that
// show the canvas, messages and the end. The music player is made by the page inside
// the start-up click, through Module.makeAudioPlayer, before the demo starts.
mergeInto(LibraryManager.library, {
    WebAskYesNo: function(text, caption) {
        return window.confirm(UTF8ToString(caption) + '\n\n' + UTF8ToString(text)) ? 1 : 0;
    },

    WebShowMessage: function(text, caption, icon) {
        Module['page']['showMessage'](UTF8ToString(text), UTF8ToString(caption), icon);
    },

    WebFullscreenRequested: function() {
        return Module['page']['fullscreenRequested'] ? 1 : 0;
    },

    WebLeaveFullscreen: function() {
        Module['page']['leaveFullscreen']();
    },

    WebShowCanvas: function() {
        Module['page']['showCanvas']();
    },

    WebShowCursor: function(show) {
        Module['page']['showCursor'](show !== 0);
    },

    // The size the page wants the canvas to draw at, in pixels, into two ints.
    WebDrawingSize: function(width, height) {
        var size = Module['page']['drawingSize']();
        HEAP32[width >> 2] = size[0];
        HEAP32[height >> 2] = size[1];
    },

    // The end of the run: the sound stops, as it would with the process.
    WebEnded__deps: ['$JSEvents', 'WebAudioClose'],
    WebEnded: function(code) {
        _WebAudioClose();
        JSEvents.removeAllEventListeners();
        Module['page']['ended'](code);
    },

    // The music player: an AudioWorkletNode of audio_worklet.js on the page's
    // AudioContext, which instantiates the music's own WebAssembly module (its bytes
    // are `code`), mixes its ring and waits. Module.makeAudioPlayer(context, code)
    // resolves once it is ready and the device has asked it for a tenth of a second,
    // so that the music starts on the quantum after PlatformAudioStart, as the
    // picture starts, rather than whenever the browser has started the device (which
    // can take a second or more). It reports what it has played about every 50 ms;
    // Module.audioStats() is the latest report, Module.audioReports() the recent ones.
    $WebAudioPlayer__postset: "Module['makeAudioPlayer'] = WebAudioPlayer.make;" +
                              "Module['audioStats'] = function() { return WebAudioPlayer.report; };" +
                              "Module['audioReports'] = function() { return WebAudioPlayer.reports.slice(); };" +
                              "Module['audioRecording'] = WebAudioPlayer.recording;" +
                              "Module['audioStopped'] = function() { return WebAudioPlayer.stopped; };" +
                              "Module['audioFollow'] = WebAudioPlayer.follow;" +
                              "Module['audioSimulate'] = WebAudioPlayer.simulate;",
    $WebAudioPlayer: {
        node: null,
        port: null,
        context: null,
        failure: '',            // why the worklet could not run the music
        report: null,
        reports: [],
        stopped: Promise.resolve(),   // settles with the report of the stop
        onStopped: function() {},
        make: function(context, code) {
            var node = new AudioWorkletNode(context, 'quorvantile-music',
                                            { 'numberOfInputs': 0, 'outputChannelCount': [2] });
            WebAudioPlayer.node = node;
            WebAudioPlayer.port = node.port;
            WebAudioPlayer.context = context;
            WebAudioPlayer.failure = '';
            var ready = new Promise(function(resolve) {
                node.port.onmessage = function(event) {
                    var message = event.data;
                    if (message['type'] === 'report') {
                        WebAudioPlayer.report = message;
                        WebAudioPlayer.reports.push(message);
                        if (WebAudioPlayer.reports.length > 4096)
                            WebAudioPlayer.reports.shift();
                        if (!message['playing'])
                            WebAudioPlayer.onStopped();
                    } else if (message['type'] === 'recording') {
                        WebAudioPlayer.onRecording({ 'samples': message['samples'], 'frames': message['frames'] });
                    } else {
                        if (message['type'] === 'failed')
                            WebAudioPlayer.failure = message['reason'];
                        resolve();
                    }
                };
            });
            node.port.postMessage({ 'type': 'load', 'code': code });
            node.connect(context.destination);
            return ready;
        },
        onRecording: function() {},
        // The first frames played, as recorded when the page asked for them at the
        // start (page.recordFrames): {samples, frames}, an Int16Array of left and right
        // interleaved and an Int32Array of the music's frame for each (-1 where faded).
        recording: function() {
            return new Promise(function(resolve) {
                WebAudioPlayer.onRecording = resolve;
                WebAudioPlayer.port.postMessage({ 'type': 'recording' });
            });
        },
        // The demo's time zero has moved: the player follows it.
        follow: function(zeroAt) {
            if (WebAudioPlayer.node)
                WebAudioPlayer.node.port.postMessage({ 'type': 'clock', 'zeroAt': zeroAt });
        },
        simulate: function(deviceRate) {
            if (WebAudioPlayer.node)
                WebAudioPlayer.node.port.postMessage({ 'type': 'simulate', 'deviceRate': deviceRate });
        },
    },

    // The player as the audio device; it must run at the music's rate. 0 when it
    // can play; else 1 no player or no running context, 2 another rate, 3 the
    // worklet could not run the music's module.
    WebAudioOpen__deps: ['$WebAudioPlayer'],
    WebAudioOpen: function(rate) {
        var context = WebAudioPlayer.context;
        if (!WebAudioPlayer.node || context.state !== 'running')
            return 1;
        if (context.sampleRate !== rate)
            return 2;
        if (WebAudioPlayer.failure) {
            console.warn('quorvantile: the music: ' + WebAudioPlayer.failure);
            return 3;
        }
        return 0;
    },

    // The music starts at the demo's time zero, which has just been set, and keeps to
    // the demo's clock from then on.
    WebAudioStart__deps: ['$WebAudioPlayer'],
    WebAudioStart: function() {
        if (WebAudioPlayer.node) {
            var page = Module['page'];
            WebAudioPlayer.node.port.postMessage({ 'type': 'start', 'record': page['recordFrames'] || 0,
                                                   'zeroAt': page['demoZeroAt']() });
        }
    },

    WebAudioStop__deps: ['$WebAudioPlayer'],
    WebAudioStop: function() {
        if (WebAudioPlayer.node)
            WebAudioPlayer.node.port.postMessage({ 'type': 'stop' });
    },

    // Stops the player and takes it off the context. Module.audioStopped() settles
    // once its report of the stop has come (or a quarter of a second has passed), so
    // that the page closes the context after it.
    WebAudioClose__deps: ['$WebAudioPlayer'],
    WebAudioClose: function() {
        var node = WebAudioPlayer.node;
        if (!node)
            return;
        WebAudioPlayer.stopped = new Promise(function(resolve) {
            WebAudioPlayer.onStopped = resolve;
            setTimeout(resolve, 250);
        });
        node.port.postMessage({ 'type': 'stop' });
        node.disconnect();
        WebAudioPlayer.node = null;
    },
});
