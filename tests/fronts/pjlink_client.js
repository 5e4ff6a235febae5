// SPDX-License-Identifier: MIT
// Drives a projector behind the bridge's PJLink front with the npm pjlink client (class 1), as a controller
// nobody here wrote would, through a whole power cycle of a fresh q7sim --fast.
// Usage: node pjlink_client.js [--name NAME] [--refused] HOST PORT [PASSWORD]
//   --name NAME  what NAME ? must answer (words joined again: the client splits values on blanks)
//   --refused    the password is wrong: every command must fail for it, and nothing else may happen
// The pjlink package is found through NODE_PATH (the fixture's npm-client/node_modules).
'use strict';
const PJLink = require('pjlink');

const args = process.argv.slice(2);
const option = (flag, hasValue) => {
    const at = args.indexOf(flag);
    if (at < 0) return undefined;
    return args.splice(at, hasValue ? 2 : 1)[hasValue ? 1 : 0];
};
const name = option('--name', true);
const refused = option('--refused', false) !== undefined;
const [host, port, password] = args;
if (!host || !port) {
    console.error('usage: node pjlink_client.js [--name NAME] [--refused] HOST PORT [PASSWORD]');
    process.exit(2);
}

const client = new PJLink({host, port : Number(port), password : password || null, timeout : 5000});
const fail = (text) => {
    console.error(`FAIL: ${text}`);
    process.exit(1);
};
// The whole run is bounded even if a reply never comes.
setTimeout(() => fail('not done within 45 s'), 45000).unref();

// A call as a promise of the callback's values; an error names the call.
const call = (method, ...params) => new Promise((resolve, reject) => {
    client[method](...params, (err, ...values) => {
        if (err)
            reject(new Error(`${method}(${params.join(', ')}): ${err.message}`));
        else
            resolve(values);
    });
});
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
const expect = (what, got, want) => {
    if (!same(got, want)) fail(`${what}: got ${JSON.stringify(got)}, expected ${JSON.stringify(want)}`);
    console.log(`ok ${what}: ${JSON.stringify(got)}`);
};

// Asks until the answer is wanted, while it is one of those allowed on the way; returns what was seen.
async function until(what, ask, want, onTheWay, seconds = 10) {
    const seen = [];
    const end = Date.now() + seconds * 1000;
    for (;;) {
        const got = await ask();
        if (!seen.length || !same(seen[seen.length - 1], got)) seen.push(got);
        if (same(got, want)) break;
        if (!onTheWay.some((w) => same(w, got))) {
            const path = seen.map((s) => JSON.stringify(s)).join(' -> ');
            fail(`${what}: ${path}, expected only ${JSON.stringify(onTheWay)} on the way to ${
                JSON.stringify(want)}`);
        }
        if (Date.now() > end) fail(`${what}: still ${JSON.stringify(got)} after ${seconds} s`);
        await sleep(200);
    }
    console.log(`ok ${what}: ${seen.map((s) => JSON.stringify(s)).join(' -> ')}`);
    return seen;
}

const power = async () => (await call('getPowerState'))[0];

async function cycle() {
    // Until the bridge has polled the projector once, it cannot say: ERR3, for a bounded time.
    let first;
    for (const end = Date.now() + 15000; first === undefined;) {
        try {
            first = await power();
        } catch (e) {
            if (!e.message.endsWith('Unavailable time') || Date.now() > end) fail(e.message);
            await sleep(250);
        }
    }
    expect('power at start', first, 0);

    expect('powerOn', await call('powerOn'), []);
    const on = await until('power after powerOn', power, 1, [ 3 ]);
    if (on[0] !== 3) console.log('note: warm-up (3) not seen: already on at the first ask');

    expect('setInput(21)', await call('setInput', 21), []);
    await until('getInput', async () => (await call('getInput'))[0],
                {source : 2, channel : 1, code : '21', name : 'VIDEO - 1'},
                [ {source : 1, channel : 1, code : '11', name : 'RGB - 1'} ]);

    const none = {audio : false, video : false};
    const video = {audio : false, video : true};
    const both = {audio : true, video : true};
    const mute = async () => (await call('getMute'))[0];
    expect('setMute(video)', await call('setMute', {video : true, audio : false}), []); // AVMT 11
    await until('getMute after video on', mute, video, [ none ]);
    expect('setMute(audio)', await call('setMute', {video : false, audio : true}), []); // AVMT 21
    await until('getMute after audio on', mute, both, [ video ]);
    expect('setMute(none)', await call('setMute', {video : false, audio : false}), []); // AVMT 30
    await until('getMute after both off', mute, none, [ both, video ]);

    const [lamps] = await call('getLamps');
    if (!Array.isArray(lamps) || lamps.length !== 1)
        fail(`getLamps: ${JSON.stringify(lamps)}, expected one lamp`);
    if (!(lamps[0].hours >= 1234 && lamps[0].hours < 1240 && lamps[0].on === true))
        fail(`getLamps: ${JSON.stringify(lamps)}, expected 1234 to 1239 hours, on`);
    console.log(`ok getLamps: ${JSON.stringify(lamps)}`);
    expect('getErrors', await call('getErrors'), [ null ]);
    const inputs = (await call('getInputs'))[0].map((i) => i.code);
    expect('getInputs', inputs, [ '11', '21', '31' ]);
    if (name !== undefined) expect('getName', (await call('getName')).join(' '), name);
    expect('getClass', await call('getClass'), [ '2' ]);

    expect('powerOff', await call('powerOff'), []);
    expect('power right after powerOff', await power(), 2);
    await until('power after powerOff', power, 0, [ 2 ]);
}

// Every command must fail for the password and nothing else: the first with the server's PJLINK ERRA; one
// that the client sent on the connection the server was closing fails as the client saw the close.
async function refusals() {
    const allowed = [ 'Authorization failed', 'Not connected' ];
    const asks = [
        [ 'getPowerState' ], [ 'powerOn' ], [ 'getName' ], [ 'setInput', 21 ], [ 'getClass' ],
        [ 'getPowerState' ]
    ];
    const outcomes = await Promise.all(
        asks.map(([ method, ...params ]) =>
                     call(method, ...params)
                         .then((values) => ({method, values}), (e) => ({method, error : e.message}))));
    for (const o of outcomes) {
        if (!o.error) fail(`${o.method} succeeded with a wrong password: ${JSON.stringify(o.values)}`);
        if (!allowed.some((a) => o.error.endsWith(`: ${a}`))) fail(`unexpected failure: ${o.error}`);
        console.log(`ok refused: ${o.error}`);
    }
    if (!outcomes[0].error.endsWith('Authorization failed'))
        fail('the first command was not refused by PJLINK ERRA');
}

(refused ? refusals() : cycle())
    .then(() => {
        client.disconnect();
        console.log('PASS');
        process.exit(0);
    })
    .catch((e) => fail(e.message));
